#include "platform/files/files.h"
#include "platform/registry/regfile.h"
#include "platform/registry/registry.h"
#include "platform/registry/regtext.h"
#include "tests/support/scopedenv.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillmark::registry;
using quillmark::test::TempDir;
namespace files = quillmark::files;

using quillmark::test::ScopedEnv;

namespace {

std::string Slurp(const std::string& path) { return files::ReadFile(path).value_or("<unreadable>"); }

const char* kOddString = "C:\\Program Files\\\"Quoted\"\\ end\\";
const char* kOddExpand = "%APPDATA%\\Ünïcødé – 😀 \"q\" \\\\server\\share";

} // namespace

TEST(Registry, RoundTripsAllTypesThroughTheFile)
{
    TempDir dir;
    const std::string file = dir / "reg/registry.reg"; // the folder is created on first write
    {
        RegKey key(file);
        bool bCreated = false;
        ASSERT_EQ(key.Create(RegRoot::LocalMachine, "Software\\Norvane\\Quillwright", &bCreated), RegStatus::Ok)
            << key.Error();
        EXPECT_TRUE(bCreated);
        EXPECT_EQ(key.SetString("DatabasePath", "quillmark/"), RegStatus::Ok);
        EXPECT_EQ(key.SetString("Odd", kOddString), RegStatus::Ok);
        EXPECT_EQ(key.SetString("Lines", "one\ntwo\r\nthree"), RegStatus::Ok);
        EXPECT_EQ(key.SetExpandString("Expand", kOddExpand), RegStatus::Ok);
        EXPECT_EQ(key.SetExpandString("EmptyExpand", ""), RegStatus::Ok);
        EXPECT_EQ(key.SetDWord("ProductType", 2), RegStatus::Ok);
        EXPECT_EQ(key.SetDWord("Max", 0xFFFFFFFFu), RegStatus::Ok);
        EXPECT_EQ(key.SetString("", "default text"), RegStatus::Ok);
        EXPECT_EQ(key.Create(RegRoot::LocalMachine, "Software\\Norvane\\Quillwright", &bCreated), RegStatus::Ok);
        EXPECT_FALSE(bCreated);
        RegKey cls(file);
        ASSERT_EQ(cls.Create(RegRoot::ClassesRoot, "Quillmark.Connect\\CurVer"), RegStatus::Ok);
        EXPECT_EQ(cls.SetString("", "Quillmark.Connect.1"), RegStatus::Ok);
        RegKey empty(file);
        EXPECT_EQ(empty.Create(RegRoot::CurrentUser, "Software\\Empty"), RegStatus::Ok);
    }

    const std::string text = Slurp(file);
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\n", 0), 0u) << text;
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\Norvane\\Quillwright]\n"), std::string::npos);
    EXPECT_NE(text.find("\n\"DatabasePath\"=\"quillmark/\"\n"), std::string::npos);
    EXPECT_NE(text.find("\n\"ProductType\"=dword:00000002\n"), std::string::npos);
    EXPECT_NE(text.find("\n\"Odd\"=\"C:\\\\Program Files\\\\\\\"Quoted\\\"\\\\ end\\\\\"\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("\n@=\"default text\"\n"), std::string::npos);
    EXPECT_NE(text.find("\n\"Expand\"=hex(2):25,00,41,00,"), std::string::npos);
    EXPECT_NE(text.find("\n\"EmptyExpand\"=hex(2):00,00\n"), std::string::npos);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Empty]\n"), std::string::npos);
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        EXPECT_LE(end - start, 80u) << "long line: " << text.substr(start, end - start);
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    RegKey key(file);
    ASSERT_EQ(key.Open(RegRoot::LocalMachine, "Software\\Norvane\\Quillwright"), RegStatus::Ok);
    std::string s;
    std::uint32_t n = 0;
    EXPECT_EQ(key.QueryString("Odd", s), RegStatus::Ok);
    EXPECT_EQ(s, kOddString);
    EXPECT_EQ(key.QueryString("Lines", s), RegStatus::Ok);
    EXPECT_EQ(s, "one\ntwo\r\nthree");
    RegValue v;
    EXPECT_EQ(key.QueryValue("Expand", v), RegStatus::Ok);
    EXPECT_EQ(v.type, REG_EXPAND_SZ);
    EXPECT_EQ(v.text, kOddExpand);
    EXPECT_EQ(key.QueryValue("EmptyExpand", v), RegStatus::Ok);
    EXPECT_EQ(v.type, REG_EXPAND_SZ);
    EXPECT_EQ(v.text, "");
    EXPECT_EQ(key.QueryString("Expand", s), RegStatus::Ok); // expandable strings read as strings, unexpanded
    EXPECT_EQ(s, kOddExpand);
    EXPECT_EQ(key.QueryDWord("ProductType", n), RegStatus::Ok);
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(key.QueryDWord("Max", n), RegStatus::Ok);
    EXPECT_EQ(n, 0xFFFFFFFFu);
    EXPECT_EQ(key.QueryString("", s), RegStatus::Ok);
    EXPECT_EQ(s, "default text");
    std::vector<std::string> names;
    EXPECT_EQ(key.EnumValues(names), RegStatus::Ok);
    EXPECT_EQ(names, (std::vector<std::string>{"DatabasePath", "Odd", "Lines", "Expand", "EmptyExpand",
                                               "ProductType", "Max", ""}));

    // Wrong types and absent values.
    EXPECT_EQ(key.QueryDWord("Odd", n), RegStatus::WrongType);
    EXPECT_EQ(key.QueryString("ProductType", s), RegStatus::WrongType);
    EXPECT_EQ(key.QueryString("Nothing", s), RegStatus::NotFound);
    EXPECT_EQ(key.Open(RegRoot::CurrentUser, "Software\\Norvane\\Quillwright"), RegStatus::NotFound);

    // What the writer produced reads back to the same text.
    RegistryModel model;
    RegParseError error;
    ASSERT_TRUE(ParseRegFile(text, model, error)) << error.line << ": " << error.message;
    EXPECT_EQ(FormatRegFile(model), text);
}

TEST(Registry, ReadsRegistryEditorExports)
{
    // CRLF line ends, a byte order mark, comments, blanks around "=", and hex data
    // continued over several lines, as the registry editor writes it.
    const std::string text =
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
        "\r\n"
        "; a comment\r\n"
        "[hkey_local_machine\\Software\\Norvane\\Quillwright]\r\n"
        "\"DatabasePath\"=\"Tags\\\\Mine\\\\\"\r\n"
        "\"ProductType\" = dword:2\r\n"
        "\"Docs\"=hex(2):25,00,55,00,53,00,45,00,52,00,50,00,52,00,4f,00,46,00,49,00,4c,\\\r\n"
        "  00,45,00,25,00,5c,00,44,00,6f,00,63,00,75,00,6d,00,65,00,6e,00,74,00,73,00,\\\r\n"
        "  5c,00,51,00,75,00,69,00,6c,00,6c,00,6d,00,61,00,72,00,6b,00,20,00,13,20,20,\\\r\n"
        "  00,dc,00,6e,00,ef,00,63,00,f8,00,64,00,e9,00,20,00,74,00,61,00,67,00,73,00,\\\r\n"
        "  00,00\r\n"
        "\"Plain\"=hex(1):41,00,42,00,00,00\r\n"
        "\"Number\"=hex(4):78,56,34,12\r\n"
        "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
        "\"Blob\"=hex:01,02,ff\r\n"
        "\"Gone\"=\"x\"\r\n"
        "\"Gone\"=-\r\n"
        "\r\n"
        "[HKEY_CLASSES_ROOT\\Old]\r\n"
        "[-HKEY_CLASSES_ROOT\\Old]\r\n";
    RegistryModel model;
    RegParseError error;
    ASSERT_TRUE(ParseRegFile(text, model, error)) << error.line << ": " << error.message;
    const RegKeyNode* key = model.FindKey(RegRoot::LocalMachine, "SOFTWARE\\Norvane\\Quillwright");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->FindValue("DatabasePath")->text, "Tags\\Mine\\");
    EXPECT_EQ(key->FindValue("ProductType")->dword, 2u);
    const RegValue* docs = key->FindValue("docs");
    ASSERT_NE(docs, nullptr);
    EXPECT_EQ(docs->type, REG_EXPAND_SZ);
    EXPECT_EQ(docs->text, "%USERPROFILE%\\Documents\\Quillmark – Ünïcødé tags");
    EXPECT_EQ(key->FindValue("Plain")->type, REG_SZ);
    EXPECT_EQ(key->FindValue("Plain")->text, "AB");
    EXPECT_EQ(key->FindValue("Number")->type, REG_DWORD);
    EXPECT_EQ(key->FindValue("Number")->dword, 0x12345678u);
    EXPECT_EQ(key->FindValue("Multi")->type, 7u);
    EXPECT_EQ(key->FindValue("Multi")->raw, std::string("a\0\0\0b\0\0\0\0\0", 10));
    EXPECT_EQ(key->FindValue("Blob")->type, REG_BINARY);
    EXPECT_EQ(key->FindValue("Blob")->raw, "\x01\x02\xff");
    EXPECT_EQ(key->FindValue("Gone"), nullptr);
    EXPECT_EQ(model.FindKey(RegRoot::ClassesRoot, "Old"), nullptr);

    // Types this registry has no use for survive a rewrite unchanged.
    const std::string written = FormatRegFile(model);
    EXPECT_NE(written.find("\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\n"), std::string::npos) << written;
    EXPECT_NE(written.find("\"Blob\"=hex:01,02,ff\n"), std::string::npos);
    EXPECT_NE(written.find("\"Number\"=dword:12345678\n"), std::string::npos);
    RegistryModel again;
    ASSERT_TRUE(ParseRegFile(written, again, error)) << error.line << ": " << error.message;
    EXPECT_EQ(*again.FindKey(RegRoot::LocalMachine, "Software\\Norvane\\Quillwright")->FindValue("Docs"), *docs);

    // An empty file is an empty registry.
    RegistryModel none;
    EXPECT_TRUE(ParseRegFile("", none, error));
    EXPECT_TRUE(ParseRegFile("\n  \n", none, error));
    EXPECT_TRUE(none.Root(RegRoot::LocalMachine).SubKeys().empty());
}

TEST(Registry, MalformedFileNamesTheLineAndIsNeverOverwritten)
{
    struct Case {
        const char* text;
        int line;
        const char* what;
    };
    const std::string h = "Windows Registry Editor Version 5.00\n\n";
    const std::string k = h + "[HKEY_CURRENT_USER\\Software\\Test]\n";
    const std::vector<std::pair<std::string, int>> cases = {
        {"REGEDIT4\n\n[HKEY_CURRENT_USER\\X]\n", 1},
        {"\n\nnot a header\n", 3},
        {h + "\"Orphan\"=\"value\"\n", 3},
        {h + "[HKEY_USERS\\Software]\n", 3},
        {h + "[HKEY_CURRENT_USER\\Software\n", 3},
        {h + "[HKEY_CURRENT_USER\\A\\\\B]\n", 3},
        {h + "[HKEY_CURRENT_USER\\]\n", 3},
        {k + "\"Open\"=\"no end\n", 4},
        {k + "\"Esc\"=\"bad \\n escape\"\n", 4},
        {k + "\"Trail\"=\"x\" y\n", 4},
        {k + "\"N\"=dword:123456789\n", 4},
        {k + "\"N\"=dword:xyz\n", 4},
        {k + "\"N\"=hex(4):01,02\n", 4},
        {k + "\"H\"=hex(2):4g,00\n", 4},
        {k + "\"H\"=hex(2):41,00,\\\n  42\n", 4}, // odd byte count, reported at the value's first line
        {k + "\"H\"=hex(2):00,d8,00,00\n", 4},   // unpaired surrogate
        {k + "\"H\"=hex(2):41,00,\\\n", 4},      // continuation past the end
        {k + "\"H\"=hex(zz):00\n", 4},
        {k + "\"A\" \"B\"\n", 4},
        {k + "Name=\"x\"\n", 4},
        {k + "\"Bad\xff\"=\"x\"\n", 4},
        {k + "\"V\"=something\n", 4},
    };
    for (const auto& [text, line] : cases) {
        RegistryModel model;
        RegParseError error;
        EXPECT_FALSE(ParseRegFile(text, model, error)) << text;
        EXPECT_EQ(error.line, line) << text << " -> " << error.message;
        EXPECT_FALSE(error.message.empty());
    }

    // Through the file layer: every read and every write reports the file and the line,
    // and the file keeps its bytes.
    TempDir dir;
    const std::string content = k + "\"Keep\"=\"me\"\n\"Broken\"=dword:\n";
    const std::string file = dir.WriteFile("registry.reg", content);
    Registry reg(file);
    EXPECT_EQ(reg.Refresh(), RegStatus::BadFile);
    EXPECT_NE(reg.Error().find(file), std::string::npos) << reg.Error();
    EXPECT_NE(reg.Error().find("line 5"), std::string::npos) << reg.Error();
    RegKey key(file);
    EXPECT_EQ(key.Create(RegRoot::CurrentUser, "Software\\Other"), RegStatus::BadFile);
    EXPECT_NE(key.Error().find("line 5"), std::string::npos);
    EXPECT_EQ(key.Open(RegRoot::CurrentUser, "Software\\Test"), RegStatus::BadFile);
    EXPECT_EQ(reg.DeleteKey(RegRoot::CurrentUser, "Software\\Test"), RegStatus::BadFile);
    EXPECT_FALSE(reg.KeyExists(RegRoot::CurrentUser, "Software\\Test"));
    EXPECT_EQ(Slurp(file), content);

    // Once mended by hand, the keys it held are all there.
    dir.WriteFile("registry.reg", k + "\"Keep\"=\"me\"\n");
    ASSERT_EQ(key.Create(RegRoot::CurrentUser, "Software\\Other"), RegStatus::Ok) << key.Error();
    ASSERT_EQ(key.Open(RegRoot::CurrentUser, "Software\\Test"), RegStatus::Ok);
    std::string s;
    EXPECT_EQ(key.QueryString("Keep", s), RegStatus::Ok);
    EXPECT_EQ(s, "me");
}

TEST(Registry, KeysNestNoDeeperThanTheRegistryAllows)
{
    const std::string h = "Windows Registry Editor Version 5.00\n\n";
    auto path = [](std::size_t levels) {
        std::string text = "HKEY_CURRENT_USER";
        for (std::size_t i = 0; i < levels; ++i)
            text += "\\k";
        return text;
    };
    RegistryModel model;
    RegParseError error;
    ASSERT_TRUE(ParseRegFile(h + "[" + path(kMaxKeyDepth) + "]\n\"v\"=\"deep\"\n", model, error)) << error.message;
    RegistryModel copy(model); // copies and frees a tree of the deepest kind
    EXPECT_EQ(copy.FindKey(RegRoot::CurrentUser, path(kMaxKeyDepth).substr(18))->FindValue("v")->text, "deep");
    EXPECT_FALSE(FormatRegFile(copy).empty());

    // A 100,000-level key path is refused with its line, not followed down the stack.
    RegistryModel deep;
    EXPECT_FALSE(ParseRegFile(h + "[HKEY_CURRENT_USER\\a]\n[" + path(100000) + "]\n", deep, error));
    EXPECT_EQ(error.line, 4);
    EXPECT_NE(error.message.find("512"), std::string::npos) << error.message;
    EXPECT_LT(error.message.size(), 200u);
    EXPECT_FALSE(ParseRegFile(h + "[" + path(kMaxKeyDepth + 1) + "]\n", deep, error));
    EXPECT_EQ(deep.CreateKey(RegRoot::CurrentUser, path(kMaxKeyDepth + 1).substr(18)), nullptr);
}

TEST(Registry, ReadsAndKeepsTheUtf16FormOfRegistryEditorExports)
{
    const std::string utf8 = "Windows Registry Editor Version 5.00\r\n\r\n"
                             "[HKEY_LOCAL_MACHINE\\Software\\Norvane\\Quillwright]\r\n"
                             "\"DatabasePath\"=\"Tägs\\\\\"\r\n"
                             "\"ProductType\"=dword:00000002\r\n";
    std::string wide = "\xFF\xFE";
    std::string bytes;
    ASSERT_TRUE(Utf8ToUtf16Le(utf8, bytes));
    wide += bytes;
    TempDir dir;
    const std::string file = dir.WriteFile("registry.reg", wide);
    RegKey key(file);
    ASSERT_EQ(key.Open(RegRoot::LocalMachine, "Software\\Norvane\\Quillwright"), RegStatus::Ok) << key.Error();
    std::string text;
    ASSERT_EQ(key.QueryString("DatabasePath", text), RegStatus::Ok);
    EXPECT_EQ(text, "Tägs\\");

    // A change is written back as UTF-16LE with its mark and CR LF line ends.
    ASSERT_EQ(key.SetDWord("PPTCreatePreviewAtInsert", 1), RegStatus::Ok) << key.Error();
    const std::string written = Slurp(file);
    ASSERT_TRUE(written.starts_with("\xFF\xFE"));
    std::string back;
    ASSERT_TRUE(Utf16LeToUtf8(written.substr(2), back));
    EXPECT_NE(back.find("\"DatabasePath\"=\"Tägs\\\\\"\r\n"), std::string::npos) << back;
    EXPECT_NE(back.find("\"PPTCreatePreviewAtInsert\"=dword:00000001\r\n"), std::string::npos) << back;
    EXPECT_EQ(back.find("\n\n"), std::string::npos) << "a bare line feed";
    RegKey again(file);
    ASSERT_EQ(again.Open(RegRoot::LocalMachine, "Software\\Norvane\\Quillwright"), RegStatus::Ok);
    std::uint32_t type = 0;
    EXPECT_EQ(again.QueryDWord("ProductType", type), RegStatus::Ok);
    EXPECT_EQ(type, 2u);

    // Broken UTF-16 (an odd byte count) is a malformed file, never rewritten.
    const std::string odd = dir.WriteFile("odd.reg", wide + "x");
    Registry reg(odd);
    EXPECT_EQ(reg.Refresh(), RegStatus::BadFile);
    EXPECT_EQ(RegKey(odd).Create(RegRoot::CurrentUser, "X"), RegStatus::BadFile);
    EXPECT_EQ(Slurp(odd), wide + "x");
}

TEST(Registry, KeyAndValueNamesIgnoreCaseAndKeepTheirSpelling)
{
    TempDir dir;
    const std::string file = dir / "registry.reg";
    RegKey key(file);
    ASSERT_EQ(key.Create(RegRoot::LocalMachine, "Software\\Norvane\\Quillwright"), RegStatus::Ok);
    ASSERT_EQ(key.SetDWord("ProductType", 1), RegStatus::Ok);

    RegKey other(file);
    bool bCreated = true;
    ASSERT_EQ(other.Create(RegRoot::LocalMachine, "SOFTWARE\\norvane\\QUILLWRIGHT", &bCreated), RegStatus::Ok);
    EXPECT_FALSE(bCreated);
    std::uint32_t n = 0;
    EXPECT_EQ(other.QueryDWord("producttype", n), RegStatus::Ok);
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(other.SetDWord("PRODUCTTYPE", 3), RegStatus::Ok);

    std::vector<std::string> names;
    ASSERT_EQ(key.EnumValues(names), RegStatus::Ok);
    EXPECT_EQ(names, std::vector<std::string>{"ProductType"}); // replaced, first spelling kept
    EXPECT_EQ(key.QueryDWord("ProductType", n), RegStatus::Ok);
    EXPECT_EQ(n, 3u);
    RegKey software(file);
    ASSERT_EQ(software.Open(RegRoot::LocalMachine, "software"), RegStatus::Ok);
    ASSERT_EQ(software.EnumSubKeys(names), RegStatus::Ok);
    EXPECT_EQ(names, std::vector<std::string>{"Norvane"});
    EXPECT_NE(Slurp(file).find("[HKEY_LOCAL_MACHINE\\Software\\Norvane\\Quillwright]"), std::string::npos);

    // Names the file could not hold are refused, and nothing is written for them.
    const std::string before = Slurp(file);
    EXPECT_EQ(key.SetString("Bad\nName", "x"), RegStatus::InvalidArgument);
    EXPECT_EQ(key.SetString("BadText", std::string("a\0b", 3)), RegStatus::InvalidArgument);
    EXPECT_EQ(key.SetExpandString("BadUtf8", "\xC3\x28"), RegStatus::InvalidArgument);
    EXPECT_EQ(other.Create(RegRoot::LocalMachine, "Software\\\\Twice"), RegStatus::InvalidArgument);
    EXPECT_EQ(Slurp(file), before);
}

TEST(Registry, DeletesValuesAndWholeSubtrees)
{
    TempDir dir;
    const std::string file = dir / "registry.reg";
    Registry reg(file);
    EXPECT_FALSE(reg.KeyExists(RegRoot::ClassesRoot, "CLSID"));
    EXPECT_FALSE(files::Exists(file)); // reading never creates the file

    RegKey key(file);
    ASSERT_EQ(key.Create(RegRoot::ClassesRoot, "CLSID\\{6F3C2B18}\\InprocServer32"), RegStatus::Ok);
    ASSERT_EQ(key.SetString("ThreadingModel", "Apartment"), RegStatus::Ok);
    ASSERT_EQ(key.Create(RegRoot::ClassesRoot, "CLSID\\{6F3C2B18}\\Programmable"), RegStatus::Ok);
    ASSERT_EQ(key.Create(RegRoot::ClassesRoot, "CLSID\\{Other}"), RegStatus::Ok);
    ASSERT_EQ(key.SetString("", "keep"), RegStatus::Ok);
    ASSERT_EQ(key.SetString("Temp", "drop"), RegStatus::Ok);
    EXPECT_EQ(key.DeleteValue("temp"), RegStatus::Ok);
    EXPECT_EQ(key.DeleteValue("Temp"), RegStatus::NotFound);
    std::string s;
    EXPECT_EQ(key.QueryString("Temp", s), RegStatus::NotFound);

    RegKey clsid(file);
    ASSERT_EQ(clsid.Open(RegRoot::ClassesRoot, "CLSID"), RegStatus::Ok);
    EXPECT_EQ(clsid.DeleteSubKeyTree("{6f3c2b18}"), RegStatus::Ok);
    EXPECT_FALSE(reg.KeyExists(RegRoot::ClassesRoot, "CLSID\\{6F3C2B18}"));
    EXPECT_FALSE(reg.KeyExists(RegRoot::ClassesRoot, "CLSID\\{6F3C2B18}\\InprocServer32"));
    EXPECT_TRUE(reg.KeyExists(RegRoot::ClassesRoot, "CLSID\\{Other}"));
    EXPECT_TRUE(reg.KeyExists(RegRoot::ClassesRoot, "CLSID"));
    EXPECT_EQ(clsid.DeleteSubKeyTree("{6F3C2B18}"), RegStatus::NotFound);
    EXPECT_EQ(clsid.DeleteSubKeyTree(""), RegStatus::InvalidArgument);
    EXPECT_EQ(Slurp(file).find("6F3C2B18"), std::string::npos);

    EXPECT_EQ(reg.DeleteKey(RegRoot::ClassesRoot, "CLSID"), RegStatus::Ok);
    EXPECT_EQ(reg.DeleteKey(RegRoot::ClassesRoot, "CLSID"), RegStatus::NotFound);
    EXPECT_EQ(reg.DeleteKey(RegRoot::ClassesRoot, ""), RegStatus::InvalidArgument);
    // A key deleted under an open handle is gone for it too.
    EXPECT_EQ(key.QueryString("", s), RegStatus::NotFound);
    EXPECT_EQ(key.SetString("x", "y"), RegStatus::NotFound);
    EXPECT_FALSE(reg.KeyExists(RegRoot::ClassesRoot, "CLSID\\{Other}"));
}

TEST(Registry, ProcessesWritingAtOnceKeepEachOthersKeys)
{
    TempDir dir;
    const std::string file = dir / "registry.reg";
    constexpr int kProcesses = 4, kKeysEach = 20;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int failures = 0;
            for (int i = 0; i < kKeysEach; ++i) {
                RegKey key(file);
                std::string path = "Software\\P" + std::to_string(p) + "\\K" + std::to_string(i);
                if (key.Create(RegRoot::CurrentUser, path) != RegStatus::Ok ||
                    key.SetDWord("Index", static_cast<std::uint32_t>(i)) != RegStatus::Ok)
                    ++failures;
            }
            _exit(failures == 0 ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int p = 0; p < kProcesses; ++p)
        for (int i = 0; i < kKeysEach; ++i) {
            RegKey key(file);
            std::string path = "Software\\P" + std::to_string(p) + "\\K" + std::to_string(i);
            ASSERT_EQ(key.Open(RegRoot::CurrentUser, path), RegStatus::Ok) << path;
            std::uint32_t n = 99;
            EXPECT_EQ(key.QueryDWord("Index", n), RegStatus::Ok);
            EXPECT_EQ(n, static_cast<std::uint32_t>(i));
        }
}

TEST(Registry, FileLocationFollowsTheEnvironment)
{
    {
        ScopedEnv reg("QUILLMARK_REGISTRY", "/somewhere/my.reg");
        EXPECT_EQ(RegistryFilePath(), "/somewhere/my.reg");
    }
    ScopedEnv reg("QUILLMARK_REGISTRY", nullptr);
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", "/cfg/");
        EXPECT_EQ(RegistryFilePath(), "/cfg/quillmark/registry.reg");
    }
    ScopedEnv home("HOME", "/home/someone");
    ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(RegistryFilePath(), "/home/someone/.config/quillmark/registry.reg");
    ScopedEnv relative("XDG_CONFIG_HOME", "relative/cfg"); // not absolute: ignored
    EXPECT_EQ(RegistryFilePath(), "/home/someone/.config/quillmark/registry.reg");
}
