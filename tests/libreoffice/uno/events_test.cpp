// The office's document events and the hand-over between its threads and ours.
#include "tests/libreoffice/uno/officeenvironment.h"

#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

using namespace quillmark;
using namespace quillmark::libreoffice;
using quillmark::test::ExifKeywords;
using quillmark::test::Office;
using quillmark::test::TempDir;

namespace {

struct Seen {
    DocumentEventKind kind;
    DocumentId id;
    std::thread::id thread;
    bool bBaton;
};

// Records the events of one document; stops listening when it goes.
class Recorder {
public:
    explicit Recorder(std::set<DocumentEventKind> inPlace = {DocumentEventKind::Save, DocumentEventKind::SaveAs})
    {
        Office().SetEventHandler([this](const DocumentEvent& event) { Record(event); }, std::move(inPlace));
    }
    ~Recorder() { Office().SetEventHandler(nullptr); }

    std::function<void(const DocumentEvent&)> fnOnEvent; // runs after recording
    void Record(const DocumentEvent& event)
    {
        {
            std::lock_guard lock(m_mutex);
            m_vecSeen.push_back({event.kind, event.id, std::this_thread::get_id(),
                                 Office().GetBaton().HeldByThisThread()});
        }
        if (fnOnEvent) fnOnEvent(event);
    }
    std::vector<Seen> Of(DocumentId id)
    {
        std::lock_guard lock(m_mutex);
        std::vector<Seen> out;
        for (const auto& seen : m_vecSeen)
            if (seen.id == id && seen.kind != DocumentEventKind::Focus) out.push_back(seen);
        return out;
    }
    std::vector<DocumentEventKind> KindsOf(DocumentId id)
    {
        std::vector<DocumentEventKind> out;
        for (const auto& seen : Of(id)) out.push_back(seen.kind);
        return out;
    }
    // Runs the main thread's queue (baton released while asleep) until `done`.
    template <class Pred>
    bool Pump(Pred done, std::chrono::milliseconds limit = std::chrono::milliseconds(30000))
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            Office().GetMainQueue().WaitAndRun(Office().GetBaton(), std::chrono::milliseconds(50));
        }
        return true;
    }

private:
    std::mutex m_mutex;
    std::vector<Seen> m_vecSeen;
};

} // namespace

TEST(UnoEvents, OwnCallsFireTheEventsInOrderWithBeforeSaveChangesInTheFile)
{
    TempDir dir;
    Recorder recorder;
    const auto main = std::this_thread::get_id();
    std::string error;
    recorder.fnOnEvent = [&](const DocumentEvent& event) {
        if (event.kind == DocumentEventKind::SaveAs) {
            std::string e;
            EXPECT_TRUE(Office().SetProperty(event.id, "Keywords", "set, before, saving", &e)) << e;
        }
    };
    const DocumentId id = Office().New(DocumentKind::Text, true, &error);
    ASSERT_NE(id, 0u) << error;
    ASSERT_TRUE(Office().Store(id, dir / "events.docx", &error)) << error;
    ASSERT_TRUE(Office().Close(id, &error)) << error;
    // They came while the calls ran, with nothing left for the main thread's queue.
    EXPECT_EQ(Office().GetMainQueue().RunPending(), 0u);

    const auto seen = recorder.Of(id);
    std::vector<DocumentEventKind> kinds;
    for (const auto& s : seen) kinds.push_back(s.kind);
    EXPECT_EQ(kinds, (std::vector<DocumentEventKind>{DocumentEventKind::New, DocumentEventKind::SaveAs,
                                                     DocumentEventKind::SaveAsDone, DocumentEventKind::PrepareUnload,
                                                     DocumentEventKind::Unload}));
    for (const auto& s : seen) {
        EXPECT_TRUE(s.bBaton) << "an event handler ran without the baton";
        // Caused by our own calls: all on the thread that made them.
        EXPECT_EQ(s.thread, main);
    }
    EXPECT_EQ(ExifKeywords(dir / "events.docx"), "set, before, saving");

    // Opening the saved file: Load, once, before the call returns.
    const DocumentId loaded = Office().Load(dir / "events.docx", true, &error);
    ASSERT_NE(loaded, 0u) << error;
    EXPECT_EQ(recorder.KindsOf(loaded), (std::vector<DocumentEventKind>{DocumentEventKind::Load}));
    ASSERT_TRUE(Office().Close(loaded, &error)) << error;
    EXPECT_EQ(recorder.KindsOf(loaded),
              (std::vector<DocumentEventKind>{DocumentEventKind::Load, DocumentEventKind::PrepareUnload,
                                              DocumentEventKind::Unload}));
}

TEST(UnoEvents, SaveByTheOfficeWhileOurMainThreadIdlesRunsTheHandlerInPlace)
{
    TempDir dir;
    std::string error;
    // A file the office made, opened by us.
    {
        const DocumentId made = Office().New(DocumentKind::Text, true, &error);
        ASSERT_NE(made, 0u) << error;
        ASSERT_TRUE(Office().Store(made, dir / "theirs.docx", &error)) << error;
        ASSERT_TRUE(Office().Close(made, &error)) << error;
    }
    const std::string path = dir / "theirs.docx";
    const DocumentId id = Office().Load(path, true, &error);
    ASSERT_NE(id, 0u) << error;

    Recorder recorder;
    const auto main = std::this_thread::get_id();
    std::atomic<bool> bClickRan{false};
    std::thread::id clickThread;
    recorder.fnOnEvent = [&](const DocumentEvent& event) {
        if (event.kind != DocumentEventKind::Save || event.id != id) return;
        // The add-in's before-save work: calls back into the office from this thread.
        std::string e, title;
        EXPECT_TRUE(Office().GetProperty(event.id, "Title", &title, &e)) << e;
        EXPECT_TRUE(Office().SetProperty(event.id, "Keywords", "tagged, while, saving", &e)) << e;
        // What opens windows goes to the main thread.
        Office().PostToMain([&] {
            clickThread = std::this_thread::get_id();
            bClickRan = true;
        });
    };

    // Another client saves the document: the office's own thread waits for our handler.
    std::atomic<bool> bDone{false};
    test::ProcessResult result;
    std::thread saver([&] {
        result = test::RunProcess({QUILLMARK_UNODRIVER, "store", Office().ConnectString(), path});
        bDone = true;
    });
    const bool bFinished = recorder.Pump([&] { return bDone.load() && bClickRan.load(); });
    saver.join();
    ASSERT_TRUE(bFinished) << "the save or the posted work did not finish";
    EXPECT_EQ(result.exitCode, 0) << result.err;

    const auto seen = recorder.Of(id);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front().kind, DocumentEventKind::Save);
    EXPECT_NE(seen.front().thread, main) << "the before-save handler waited for the main thread";
    EXPECT_TRUE(seen.front().bBaton);
    EXPECT_EQ(clickThread, main);
    EXPECT_EQ(ExifKeywords(path), "tagged, while, saving");
    ASSERT_TRUE(recorder.Pump([&] {
        for (auto kind : recorder.KindsOf(id))
            if (kind == DocumentEventKind::SaveDone) return true;
        return false;
    }));
    EXPECT_TRUE(Office().Close(id, &error)) << error;
}
