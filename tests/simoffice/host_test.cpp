// quillmark-host as a program: script transcripts, errors naming lines, and the
// test add-in loaded through the registry.
#include "officecore/addinlist.h"

#include "platform/files/files.h"
#include "platform/registry/registry.h"
#include "tests/support/process.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>

using namespace quillmark;
using namespace quillmark::officecore;
using quillmark::test::ProcessOptions;
using quillmark::test::ProcessResult;
using quillmark::test::RunProcess;
using quillmark::test::TempDir;

namespace {

constexpr const char* kClsid = "{6F1D2A10-3C55-4E8B-9A77-1B2C3D4E5F60}";

struct Host {
    TempDir dir;
    std::string registry = dir / "registry.reg";
    std::string log = dir / "addin.log";

    ProcessResult Run(const std::string& host, const std::string& script, std::map<std::string, std::string> env = {})
    {
        ProcessOptions options;
        options.env = std::move(env);
        options.env["QUILLMARK_REGISTRY"] = registry;
        options.env["QUILLMARK_TEST_ADDIN_LOG"] = log;
        options.env.emplace("QT_QPA_PLATFORM", "offscreen");
        options.workingDir = dir.Path();
        options.input = script;
        return RunProcess({QUILLMARK_HOST_BIN, "--host", host, "--script", "-"}, options);
    }

    // Registers a class as the add-in's registration would, and lists it for the host.
    void Register(HostKind host, const std::string& progId, const std::string& library,
                  const std::string& clsid = kClsid)
    {
        registry::RegKey key(registry);
        ASSERT_EQ(key.Create(registry::RegRoot::ClassesRoot, progId + "\\CLSID"), registry::RegStatus::Ok);
        ASSERT_EQ(key.SetString("", clsid), registry::RegStatus::Ok);
        registry::RegKey server(registry);
        ASSERT_EQ(server.Create(registry::RegRoot::ClassesRoot, "CLSID\\" + clsid + "\\InprocServer32"),
                  registry::RegStatus::Ok);
        ASSERT_EQ(server.SetString("", library), registry::RegStatus::Ok);
        std::string error;
        ASSERT_TRUE(AddAddinToList(host, progId, kLoadAtStartup, &error, registry)) << error;
    }

    std::string Log() const { return files::ReadFile(log).value_or(""); }
};

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

using V = std::vector<std::string>;

} // namespace

TEST(QuillmarkHost, WordScriptTranscript)
{
    Host h;
    h.dir.WriteFile("a.doc", "a");
    ProcessResult r = h.Run("word",
                            "# a comment line\n"
                            "events on\n"
                            "open a.doc\n"
                            "keywords\n"
                            "set-keywords 'alpha, beta'   # tags\n"
                            "set-author \"Ann \\\"Q\\\" Lee\"\n"
                            "new\n"
                            "documents\n"
                            "activate 1\n"
                            "save\n"
                            "close\n"
                            "close\n"
                            "open a.doc\n"
                            "keywords\n"
                            "author\n"
                            "echo done\n");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::string a = h.dir / "a.doc";
    EXPECT_EQ(Lines(r.out), (V{"> events on",
                               "> open a.doc",
                               "event: DocumentOpen " + a,
                               "event: WindowActivate " + a,
                               "> keywords",
                               "",
                               "> set-keywords 'alpha, beta'   # tags",
                               "> set-author \"Ann \\\"Q\\\" Lee\"",
                               "> new",
                               "event: WindowActivate Document1",
                               "> documents",
                               "  1 " + a,
                               "* 2 Document1",
                               "> activate 1",
                               "event: WindowActivate " + a,
                               "> save",
                               "event: DocumentBeforeSave " + a,
                               "> close",
                               "event: DocumentBeforeClose " + a,
                               "event: WindowActivate Document1",
                               "> close",
                               "event: DocumentBeforeClose Document1",
                               "> open a.doc",
                               "event: DocumentOpen " + a,
                               "event: WindowActivate " + a,
                               "> keywords",
                               "alpha, beta",
                               "> author",
                               "Ann \"Q\" Lee",
                               "> echo done",
                               "done"}));
}

TEST(QuillmarkHost, SaveAsDialogHandsTheFocusBackToTheDocumentWindow)
{
    Host h;
    h.dir.WriteFile("a.ppt", "a");
    ProcessResult r = h.Run("powerpoint", "events on\nnew\nsave b.ppt\nsave\n");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::string b = h.dir / "b.ppt";
    // Only a save of a document without a file goes through the dialog.
    EXPECT_EQ(Lines(r.out), (V{"> events on", "> new", "event: WindowActivate Presentation1", "> save b.ppt",
                               "event: PresentationBeforeSave Presentation1", "event: PresentationSave " + b,
                               "event: WindowActivate " + b, "> save", "event: PresentationBeforeSave " + b,
                               "event: PresentationSave " + b}));
}

TEST(QuillmarkHost, PowerPointSlidesAndExport)
{
    Host h;
    h.dir.WriteFile("a.ppt", "a");
    h.dir.WriteFile("b.ppt", "b");
    ProcessResult r = h.Run("powerpoint",
                            "open a.ppt\n"
                            "slides\n"
                            "open b.ppt 3\n"
                            "set-slides 4\n"
                            "slides\n"
                            "save\n"
                            "close\n"
                            "goto-slide 2\n"
                            "insert-slides b.ppt 2 3 4\n"
                            "slide-list\n"
                            "export out\n"
                            "new\n"
                            "slides\n",
                            {{"QUILLMARK_SLIDES", "5"}});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Lines(r.out), (V{"> open a.ppt", "> slides", "5", "> open b.ppt 3", "> set-slides 4", "> slides", "4",
                               "> save", "> close", "> goto-slide 2", "> insert-slides b.ppt 2 3 4", "> slide-list",
                               "  1 a.ppt - slide 1", "* 2 a.ppt - slide 2", "  3 b.ppt - slide 3",
                               "  4 b.ppt - slide 4", "  5 a.ppt - slide 3", "  6 a.ppt - slide 4",
                               "  7 a.ppt - slide 5", "> export out", "> new", "> slides", "1"}));
    EXPECT_EQ(files::ListFiles(h.dir / "out", "*.BMP").size(), 7u);
}

TEST(QuillmarkHost, ErrorsNameTheLineAndFailTheRun)
{
    Host h;
    ProcessResult r = h.Run("word",
                            "echo start\n"
                            "\n"
                            "frobnicate\n"
                            "open missing.doc\n"
                            "keywords\n"
                            "open 'unterminated\n"
                            "slides\n"
                            "save\n"
                            "new\n"
                            "save\n"
                            "click nothing\n"
                            "echo still running\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("line 3: unknown command \"frobnicate\""), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line 4: " + h.dir / "missing.doc" + ": no such file"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line 5: no document is open"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line 6: unterminated single quote"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line 7: slides: Word documents have no slides"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line 8: no document is open"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line 10: Document1 has never been saved"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line 11: no button with the tag \"nothing\""), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("still running"), std::string::npos) << "the run goes on after an error";

    ProcessResult ok = h.Run("word", "echo fine\n");
    EXPECT_EQ(ok.exitCode, 0);
    ProcessResult usage = RunProcess({QUILLMARK_HOST_BIN, "--host", "excel", "--script", "-"});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_NE(usage.err.find("word or powerpoint"), std::string::npos) << usage.err;
    ProcessResult noScript = RunProcess({QUILLMARK_HOST_BIN, "--host", "word", "--script", h.dir / "none.txt"});
    EXPECT_EQ(noScript.exitCode, 2);
}

TEST(QuillmarkHost, HugeSlideCountsAndFilesThatAreNoFilesFailTheLineNotTheHost)
{
    Host h;
    h.dir.WriteFile("deck.ppt", "p");
    const std::string fifo = h.dir / "pipe.ppt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ProcessResult r = h.Run("powerpoint",
                            "open deck.ppt 100000000\n"
                            "open deck.ppt\n"
                            "set-slides 100000000\n"
                            "set-slides 2147483647\n"
                            "set-slides 10000\n"
                            "slides\n"
                            "open /dev/zero\n"
                            "open " + fifo + "\n"
                            "save\n"
                            "echo still running\n");
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(r.signal, 0);
    EXPECT_NE(r.err.find("line 1: too many slides: 100000000 (a presentation holds at most 10000)"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("line 3: too many slides"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line 4: too many slides"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line 7: /dev/zero: not a regular file"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line 8: " + fifo + ": not a regular file"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("line 9:"), std::string::npos) << "the saved presentation is still deck.ppt: " << r.err;
    EXPECT_NE(r.out.find("> slides\n10000\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("still running"), std::string::npos);
}

TEST(QuillmarkHost, InteractiveModePrompts)
{
    Host h;
    ProcessOptions options;
    options.env["QUILLMARK_REGISTRY"] = h.registry;
    options.env["QT_QPA_PLATFORM"] = "offscreen";
    options.input = "echo hi\nquit\necho never\n";
    ProcessResult r = RunProcess({QUILLMARK_HOST_BIN, "--host", "powerpoint"}, options);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "quillmark-host> hi\nquillmark-host> ");
}

TEST(QuillmarkHost, LoadsTheTestAddinThroughTheRegistryInWord)
{
    Host h;
    h.dir.WriteFile("a.doc", "a");
    h.Register(HostKind::Word, "Quillmark.TestAddin", QUILLMARK_TEST_ADDIN);
    ProcessResult r = h.Run("word",
                            "addins\n"
                            "toolbar\n"
                            "open a.doc\n"
                            "save\n"
                            "click hello\n"
                            "search 'find me'\n");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Lines(r.out), (V{"> addins", "Quillmark.TestAddin", "> toolbar", "[Test Addin]",
                               "1|button|&Hello|42|hello|Say hello|0|1", "2|combobox|Find|-|||0|1", "> open a.doc",
                               "> save", "> click hello", "> search 'find me'"}));
    std::string a = h.dir / "a.doc";
    EXPECT_EQ(Lines(h.Log()), (V{"connect mode=1 word=1 powerpoint=0 instance=1", "startup-complete",
                                 "event 4 " + a, "event 10 " + a, "event 8 " + a, "click 1 hello",
                                 "change 1  find me", "begin-shutdown", "disconnect mode=0", "can-unload S_OK"}));
}

TEST(QuillmarkHost, AddinListPerHostAndBrokenEntries)
{
    Host h;
    h.dir.WriteFile("a.ppt", "a");
    h.Register(HostKind::PowerPoint, "Quillmark.TestAddin", QUILLMARK_TEST_ADDIN);
    h.Register(HostKind::PowerPoint, "Broken.Library", h.dir / "missing/libnothing.so",
               "{00000000-1111-2222-3333-444444444444}");
    std::string error;
    ASSERT_TRUE(AddAddinToList(HostKind::PowerPoint, "Not.Registered", 3, &error, h.registry)) << error;
    ASSERT_TRUE(AddAddinToList(HostKind::PowerPoint, "Not.AtStartup", 1, &error, h.registry)) << error;

    ProcessResult r = h.Run("powerpoint", "addins\nopen a.ppt\nsave\n");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("add-in Broken.Library not loaded: cannot load " + h.dir / "missing/libnothing.so"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("add-in Not.Registered not loaded: no HKEY_CLASSES_ROOT\\Not.Registered key"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("Not.AtStartup"), std::string::npos) << "entries not loaded at start-up are skipped silently";
    EXPECT_NE(r.out.find("> addins\nQuillmark.TestAddin\n> open"), std::string::npos) << r.out;
    std::string a = h.dir / "a.ppt";
    EXPECT_EQ(Lines(h.Log()), (V{"connect mode=1 word=0 powerpoint=1 instance=1", "startup-complete",
                                 "event 2006 " + a, "event 2009 " + a, "event 2018 " + a, "event 2005 " + a,
                                 "begin-shutdown", "disconnect mode=0", "can-unload S_OK"}));

    // Word's list is separate: the add-in is not loaded there.
    std::remove(h.log.c_str());
    ProcessResult word = h.Run("word", "addins\n");
    EXPECT_EQ(word.out, "> addins\n");
    EXPECT_EQ(h.Log(), "");

    // A failing OnConnection is reported and the host goes on without it.
    ProcessResult failing = h.Run("powerpoint", "addins\necho alive\n", {{"QUILLMARK_TEST_ADDIN_FAIL", "connect"}});
    EXPECT_EQ(failing.exitCode, 0);
    EXPECT_NE(failing.err.find("add-in Quillmark.TestAddin not loaded: OnConnection failed: E_FAIL"), std::string::npos)
        << failing.err;
    EXPECT_EQ(failing.out, "> addins\n> echo alive\nalive\n");

    ASSERT_TRUE(RemoveAddinFromList(HostKind::PowerPoint, "Quillmark.TestAddin", &error, h.registry)) << error;
    ASSERT_TRUE(RemoveAddinFromList(HostKind::PowerPoint, "Quillmark.TestAddin", &error, h.registry))
        << "removing an absent entry is fine";
    std::remove(h.log.c_str());
    ProcessResult removed = h.Run("powerpoint", "addins\n");
    EXPECT_EQ(removed.out, "> addins\n");
    EXPECT_EQ(h.Log(), "");
}

TEST(QuillmarkHost, FilesGivenOnTheCommandLineOpenAndTheWindowIsDrawnWithTheAddinBar)
{
    Host h;
    h.dir.WriteFile("a.txt", "a"); // a file without document properties: no warnings
    h.Register(HostKind::Word, "Quillmark.TestAddin", QUILLMARK_TEST_ADDIN);
    ProcessOptions options;
    options.env["QUILLMARK_REGISTRY"] = h.registry;
    options.env["QUILLMARK_TEST_ADDIN_LOG"] = h.log;
    options.env["QT_QPA_PLATFORM"] = "offscreen";
    options.workingDir = h.dir.Path();
    ProcessResult r = RunProcess({QUILLMARK_HOST_BIN, "--host", "word", "--screenshot", "with.png", "a.txt"}, options);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(h.Log().find("event 4 " + h.dir / "a.txt"), std::string::npos) << h.Log();
    r = RunProcess({QUILLMARK_HOST_BIN, "--host", "word", "--no-addins", "--screenshot", "without.png", "a.txt"}, options);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::string with = files::ReadFile(h.dir / "with.png").value_or("");
    const std::string without = files::ReadFile(h.dir / "without.png").value_or("");
    EXPECT_EQ(with.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(without.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_NE(with, without); // the add-in's tool bar is in the picture

    // A file that cannot be opened is named, and the run fails; the others still open.
    options.input = "documents\n";
    r = RunProcess({QUILLMARK_HOST_BIN, "--host", "word", "--script", "-", "missing.doc", "a.txt"}, options);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "quillmark-host: " + h.dir / "missing.doc" + ": no such file\n");
    EXPECT_EQ(r.out, "> documents\n* 1 " + h.dir / "a.txt" + "\n");

    // --repl reads the terminal instead of opening the window; it cannot go with --script.
    options.input = "echo hi\n";
    r = RunProcess({QUILLMARK_HOST_BIN, "--host", "word", "--no-addins", "--repl"}, options);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "quillmark-host> hi\nquillmark-host> \n");
    r = RunProcess({QUILLMARK_HOST_BIN, "--host", "word", "--repl", "--script", "-"}, options);
    EXPECT_EQ(r.exitCode, 2);
}

TEST(QuillmarkHost, CommandTableGivesHelpAndUsage)
{
    Host h;
    ProcessResult run = h.Run("word", "help\nopen\nset-slides x\nevents maybe\nkeywords extra\nno-such-command\n");
    EXPECT_EQ(run.exitCode, 1);
    // One help line per command, each starting with its name.
    const std::vector<std::string> lines = Lines(run.out);
    for (const char* name : {"open ", "insert-slides ", "events ", "quit ", "exit "}) {
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& line) { return line.rfind(name, 0) == 0; }))
            << name << "\n" << run.out;
    }
    EXPECT_EQ(Lines(run.err), (V{"line 2: usage: open PATH [SLIDES]", "line 3: usage: set-slides N",
                                 "line 4: usage: events on|off", "line 5: usage: keywords",
                                 "line 6: unknown command \"no-such-command\""}));
}
