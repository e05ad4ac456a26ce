#include "platform/files/files.h"
#include "platform/registry/registrar.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

using namespace quillmark::registry;
using quillmark::test::TempDir;
namespace files = quillmark::files;

namespace {

std::string Slurp(const std::string& path) { return files::ReadFile(path).value_or("<missing>"); }

// The string value `name` of key `path`, or "<none>".
std::string Text(Registry& reg, RegRoot root, const std::string& path, const std::string& name = "")
{
    if (reg.Refresh() != RegStatus::Ok) return "<bad registry>";
    const RegKeyNode* key = reg.Model().FindKey(root, path);
    if (!key) return "<no key>";
    const RegValue* value = key->FindValue(name);
    if (!value) return "<none>";
    return value->IsText() ? value->text : "<not text>";
}

const char* kServerScript = R"(HKCR
{
	Sample.Thing.1 = s 'Thing Class'
	{
		CLSID = s '{11111111-2222-3333-4444-555555555555}'
	}
	NoRemove CLSID
	{
		ForceRemove {11111111-2222-3333-4444-555555555555} = s 'Thing Class'
		{
			InprocServer32 = s '%MODULE%'
			{
				val ThreadingModel = s 'Apartment'
			}
			'Programmable'
		}
	}
}
HKCU
{
	NoRemove Software
	{
		Sample
		{
			val Count = d '42'
			val Mask = d '0xFFFFFFFF'
			val 'It''s' = s '100%% sure'
		}
	}
}
)";

} // namespace

TEST(Registrar, RegistersKeysValuesAndReplacementsThenRemovesThem)
{
    TempDir dir;
    const std::string file = dir / "registry.reg";
    // A path with the script's own quote, blanks and braces: replaced after the words
    // are split, it arrives whole.
    const std::string module = "/home/o'brien/my { add-in }/libthing.so";
    Registrar registrar(file);
    registrar.AddReplacement("module", module);
    ASSERT_EQ(registrar.Register(kServerScript), RegStatus::Ok) << registrar.Error();

    Registry reg(file);
    const std::string clsidKey = "CLSID\\{11111111-2222-3333-4444-555555555555}";
    EXPECT_EQ(Text(reg, RegRoot::ClassesRoot, "Sample.Thing.1"), "Thing Class");
    EXPECT_EQ(Text(reg, RegRoot::ClassesRoot, "Sample.Thing.1\\CLSID"), "{11111111-2222-3333-4444-555555555555}");
    EXPECT_EQ(Text(reg, RegRoot::ClassesRoot, clsidKey), "Thing Class");
    EXPECT_EQ(Text(reg, RegRoot::ClassesRoot, clsidKey + "\\InprocServer32"), module);
    EXPECT_EQ(Text(reg, RegRoot::ClassesRoot, clsidKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_TRUE(reg.KeyExists(RegRoot::ClassesRoot, clsidKey + "\\Programmable"));
    EXPECT_EQ(Text(reg, RegRoot::CurrentUser, "Software\\Sample", "It's"), "100% sure");
    const RegKeyNode* sample = reg.Model().FindKey(RegRoot::CurrentUser, "Software\\Sample");
    ASSERT_NE(sample, nullptr);
    ASSERT_NE(sample->FindValue("Count"), nullptr);
    EXPECT_EQ(*sample->FindValue("Count"), RegValue::DWord(42));
    EXPECT_EQ(*sample->FindValue("Mask"), RegValue::DWord(0xFFFFFFFFu));

    // Registering again changes nothing.
    const std::string once = Slurp(file);
    ASSERT_EQ(registrar.Register(kServerScript), RegStatus::Ok) << registrar.Error();
    EXPECT_EQ(Slurp(file), once);

    ASSERT_EQ(registrar.Unregister(kServerScript), RegStatus::Ok) << registrar.Error();
    EXPECT_FALSE(reg.KeyExists(RegRoot::ClassesRoot, "Sample.Thing.1"));
    EXPECT_FALSE(reg.KeyExists(RegRoot::ClassesRoot, clsidKey));
    EXPECT_TRUE(reg.KeyExists(RegRoot::ClassesRoot, "CLSID")); // NoRemove
    EXPECT_FALSE(reg.KeyExists(RegRoot::CurrentUser, "Software\\Sample"));
    EXPECT_TRUE(reg.KeyExists(RegRoot::CurrentUser, "Software"));

    // Removing what is not there is no error and writes nothing new.
    const std::string after = Slurp(file);
    ASSERT_EQ(registrar.Unregister(kServerScript), RegStatus::Ok) << registrar.Error();
    EXPECT_EQ(Slurp(file), after);
}

TEST(Registrar, ForceRemoveNoRemoveAndDeleteAreHonoured)
{
    TempDir dir;
    const std::string file = dir / "registry.reg";
    {
        RegKey key(file);
        // Left by an older registration of the class, and by other programs.
        ASSERT_EQ(key.Create(RegRoot::ClassesRoot, "CLSID\\{11111111-2222-3333-4444-555555555555}\\Stale"), RegStatus::Ok);
        ASSERT_EQ(key.Create(RegRoot::ClassesRoot, "CLSID\\{99999999-2222-3333-4444-555555555555}"), RegStatus::Ok);
        ASSERT_EQ(key.Create(RegRoot::ClassesRoot, "Sample.Thing.1\\Shell"), RegStatus::Ok);
        ASSERT_EQ(key.Create(RegRoot::CurrentUser, "Software\\Old"), RegStatus::Ok);
        ASSERT_EQ(key.SetString("x", "y"), RegStatus::Ok);
        ASSERT_EQ(key.Create(RegRoot::CurrentUser, "Software\\Sample"), RegStatus::Ok);
        ASSERT_EQ(key.SetString("Other", "kept"), RegStatus::Ok);
    }
    Registrar registrar(file);
    registrar.AddReplacement("MODULE", "/lib/libthing.so");
    const std::string script = std::string(kServerScript) + "HKCU { NoRemove Software { Delete Old { Gone = s 'x' } } }\n";
    ASSERT_EQ(registrar.Register(script), RegStatus::Ok) << registrar.Error();

    Registry reg(file);
    // ForceRemove replaced the class key whole: the stale subkey is gone.
    EXPECT_FALSE(reg.KeyExists(RegRoot::ClassesRoot, "CLSID\\{11111111-2222-3333-4444-555555555555}\\Stale"));
    EXPECT_TRUE(reg.KeyExists(RegRoot::ClassesRoot, "CLSID\\{11111111-2222-3333-4444-555555555555}\\InprocServer32"));
    // Delete removed the key on registration and created nothing of its body.
    EXPECT_FALSE(reg.KeyExists(RegRoot::CurrentUser, "Software\\Old"));

    ASSERT_EQ(registrar.Unregister(script), RegStatus::Ok) << registrar.Error();
    EXPECT_FALSE(reg.KeyExists(RegRoot::ClassesRoot, "CLSID\\{11111111-2222-3333-4444-555555555555}"));
    // Other classes under the NoRemove key stay.
    EXPECT_TRUE(reg.KeyExists(RegRoot::ClassesRoot, "CLSID\\{99999999-2222-3333-4444-555555555555}"));
    // A plain key that still holds what others put there stays, without the script's values.
    EXPECT_TRUE(reg.KeyExists(RegRoot::ClassesRoot, "Sample.Thing.1\\Shell"));
    EXPECT_EQ(Text(reg, RegRoot::ClassesRoot, "Sample.Thing.1"), "<none>");
    EXPECT_FALSE(reg.KeyExists(RegRoot::ClassesRoot, "Sample.Thing.1\\CLSID"));
    EXPECT_EQ(Text(reg, RegRoot::CurrentUser, "Software\\Sample", "Other"), "kept");
    EXPECT_EQ(Text(reg, RegRoot::CurrentUser, "Software\\Sample", "Count"), "<none>");
}

TEST(Registrar, AFailingStepLeavesTheRegistryAsItWas)
{
    TempDir dir;
    const std::string file = dir / "registry.reg";
    {
        RegKey key(file);
        ASSERT_EQ(key.Create(RegRoot::ClassesRoot, "CLSID\\{11111111-2222-3333-4444-555555555555}\\Old"), RegStatus::Ok);
    }
    const std::string before = Slurp(file);
    Registrar registrar(file);
    registrar.AddReplacement("MODULE", "/lib/libthing.so");

    // The first block runs (creating keys, force-removing the old class key) before
    // the second one fails: none of it may stay.
    struct Case {
        std::string tail;
        std::string message;
    };
    const Case cases[] = {
        {"HKCU { Broken = s 'x' ", "line 31: the script ends where \"}\" is expected"},
        {"HKCU { Key = s '%NOSUCH%' }", "line 31: no replacement for %NOSUCH%"},
        {"HKCU { Key = d '4294967296' }", "line 31: \"4294967296\" is not a 32-bit number"},
        {"HKCU { Key = d 'ten' }", "line 31: \"ten\" is not a 32-bit number"},
        {"HKCU { Key = m 'a' }", "line 31: value type \"m\" is not supported (only s and d)"},
        {"HKCU { Key = q 'a' }", "line 31: \"q\" is not a value type (s or d)"},
        {"HKU { Key }", "line 31: \"HKU\" is not a root key (HKCR, HKCU or HKLM)"},
        {"HKCU { Key = s 'open", "line 31: quoted text is not closed"},
        {"HKCU { val Name s 'x' }", "line 31: \"=\" expected, found \"s\""},
        {"HKCU { = }", "line 31: a key name expected, found \"=\""},
        {"HKCU { 'A\\B' }", "line 31: \"A\\B\" cannot be a registry key name"},
        {"HKCU { Key = s '50%' }", "line 31: \"%\" without its closing \"%\" in \"50%\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tail);
        const std::string script = std::string(kServerScript) + c.tail + "\n";
        EXPECT_EQ(registrar.Register(script), RegStatus::InvalidArgument);
        EXPECT_EQ(registrar.Error(), c.message);
        EXPECT_EQ(Slurp(file), before);
        EXPECT_EQ(registrar.Unregister(script), RegStatus::InvalidArgument);
        EXPECT_EQ(Slurp(file), before);
    }
}

TEST(Registrar, AMalformedRegistryIsNeitherChangedNorHidden)
{
    TempDir dir;
    const std::string file = dir.WriteFile("registry.reg", "Windows Registry Editor Version 5.00\n\n[HKEY_NOWHERE\\x]\n");
    const std::string before = Slurp(file);
    Registrar registrar(file);
    registrar.AddReplacement("MODULE", "/lib/libthing.so");
    EXPECT_EQ(registrar.Register(kServerScript), RegStatus::BadFile);
    EXPECT_NE(registrar.Error().find(file), std::string::npos) << registrar.Error();
    EXPECT_EQ(Slurp(file), before);
}

TEST(Registrar, AppliesToAModelInMemory)
{
    RegistryModel model;
    Registrar registrar("/nonexistent/never-written.reg");
    ASSERT_EQ(registrar.Apply(model, "HKEY_LOCAL_MACHINE { A { B = s 'b' { val V = d '7' } } }", RegistrarMode::Register),
              RegStatus::Ok)
        << registrar.Error();
    const RegKeyNode* b = model.FindKey(RegRoot::LocalMachine, "A\\B");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(*b->FindValue(""), RegValue::String("b"));
    EXPECT_EQ(*b->FindValue("V"), RegValue::DWord(7));
    ASSERT_EQ(registrar.Apply(model, "HKLM { A { B = s 'b' { val V = d '7' } } }", RegistrarMode::Unregister),
              RegStatus::Ok);
    EXPECT_EQ(model.FindKey(RegRoot::LocalMachine, "A"), nullptr);
    EXPECT_FALSE(files::Exists("/nonexistent/never-written.reg"));
}
