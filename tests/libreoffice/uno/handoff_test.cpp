// The baton, the main thread's queue and calls with a time limit, without an office.
#include "libreoffice/uno/callrunner.h"
#include "libreoffice/uno/handoff.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace quillmark::libreoffice;
using namespace std::chrono_literals;

TEST(Baton, OneOwnerAtATimeReentrantAndReleasedForWaits)
{
    Baton baton;
    baton.Enter();
    baton.Enter(); // re-entrant for its owner
    EXPECT_TRUE(baton.HeldByThisThread());

    std::atomic<bool> bOtherTried{false}, bOtherHad{false};
    std::thread other([&] {
        EXPECT_FALSE(baton.TryEnterFor(50ms)) << "two owners at once";
        EXPECT_FALSE(baton.HeldByThisThread());
        bOtherTried = true;
        baton.Enter(); // gets it once the owner lets go
        bOtherHad = true;
        baton.Leave();
    });
    while (!bOtherTried) std::this_thread::sleep_for(1ms);
    EXPECT_FALSE(bOtherHad);
    {
        BatonRelease waiting(baton); // both levels given away
        EXPECT_FALSE(baton.HeldByThisThread());
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (!bOtherHad && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
    }
    other.join();
    EXPECT_TRUE(bOtherHad);
    EXPECT_TRUE(baton.HeldByThisThread());
    baton.Leave();
    EXPECT_TRUE(baton.HeldByThisThread()); // one level left
    baton.Leave();
    EXPECT_FALSE(baton.HeldByThisThread());
    EXPECT_EQ(baton.ReleaseAll(), 0); // not held: nothing to give
}

TEST(MainQueue, WorkPostedFromAnyThreadRunsOnTheWaitingThreadInOrder)
{
    Baton baton;
    MainQueue queue;
    BatonHold hold(baton);
    std::vector<int> order;
    std::thread::id ranOn;
    std::thread poster([&] {
        // The poster may only take the baton while the main thread sleeps.
        BatonHold inner(baton);
        for (int i = 0; i < 3; ++i) queue.Post([&, i] {
            order.push_back(i);
            ranOn = std::this_thread::get_id();
        });
    });
    std::size_t ran = 0;
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (ran < 3 && std::chrono::steady_clock::now() < deadline) ran += queue.WaitAndRun(baton, 20ms);
    poster.join();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_TRUE(baton.HeldByThisThread()) << "the baton did not come back after the wait";
    EXPECT_EQ(queue.RunPending(), 0u);
}

TEST(CallRunner, ACallThatDoesNotAnswerFailsInTimeAndTheNextOneStillRuns)
{
    Baton baton;
    BatonHold hold(baton);
    CallRunner runner(baton);
    runner.SetTimeout(100ms);

    auto spRelease = std::make_shared<std::atomic<bool>>(false);
    std::string error;
    const auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(runner.Run([spRelease] {
        while (!*spRelease) std::this_thread::sleep_for(5ms);
    }, &error));
    EXPECT_LT(std::chrono::steady_clock::now() - before, 3s);
    EXPECT_NE(error.find("did not answer within 1 seconds"), std::string::npos) << error;
    EXPECT_TRUE(baton.HeldByThisThread());

    // The stuck worker is left behind; a new one serves the next call.
    std::thread::id first;
    EXPECT_TRUE(runner.Run([&] { first = std::this_thread::get_id(); }, &error)) << error;
    EXPECT_NE(first, std::this_thread::get_id());
    *spRelease = true;

    // Failures come back as messages; our own are passed on as they are.
    EXPECT_FALSE(runner.Run([] { throw UserError("worded for the user"); }, &error));
    EXPECT_EQ(error, "worded for the user");
    EXPECT_FALSE(runner.Run([] { throw std::runtime_error("deep trouble"); }, &error));
    EXPECT_NE(error.find("deep trouble"), std::string::npos);

    // Calls made while the worker runs a call happen in place (the office's
    // callbacks come back on the waiting thread).
    std::thread::id outer, inner;
    EXPECT_TRUE(runner.Run([&] {
        outer = std::this_thread::get_id();
        std::string e;
        runner.Run([&] { inner = std::this_thread::get_id(); }, &e);
    }, &error)) << error;
    EXPECT_EQ(outer, inner);

    // A thread inside an office callback runs calls itself.
    std::thread::id callbackThread, ranOn;
    std::thread callback([&] {
        CallbackScope scope;
        callbackThread = std::this_thread::get_id();
        std::string e;
        runner.Run([&] { ranOn = std::this_thread::get_id(); }, &e);
    });
    callback.join();
    EXPECT_EQ(callbackThread, ranOn);
}

TEST(Message, PlaceholdersAreFilledInOrder)
{
    EXPECT_EQ(Message(610, {"a.pptx", "2", "3", "5"}), "\"a.pptx\" holds 2 slides; slides 3 to 5 cannot be inserted.");
    EXPECT_EQ(Message(605), "The document is not open in LibreOffice.");
}
