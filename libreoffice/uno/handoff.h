#pragma once
// The hand-over between the threads on which the office reaches us and the one
// thread that runs the add-in.
//
// The add-in is single-threaded, but not bound to one OS thread: the baton is
// held by whoever runs add-in code. Our main thread holds it except while it
// sleeps in its event loop or waits inside its own outgoing call into the office.
// A callback the office makes while its own main thread waits for the answer (a
// before-save event caused by the user's Ctrl+S) runs on the bridge thread that
// received it, with the baton: calls it makes back into the office from that
// same thread are routed to the waiting office thread and complete, where the
// same calls from any other thread would wait for the office forever.
// Work that may open windows is posted to the main thread instead.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace quillmark::libreoffice {

// A lock owned by one thread at a time, re-entrant for its owner.
class Baton {
public:
    Baton() = default;
    Baton(const Baton&) = delete;
    Baton& operator=(const Baton&) = delete;

    // Blocks until the baton is free or already ours.
    void Enter();
    // Like Enter, but gives up after `timeout`; false then.
    bool TryEnterFor(std::chrono::milliseconds timeout);
    // Undoes one Enter. Must be called by the owner.
    void Leave();
    bool HeldByThisThread() const;

    // Gives the baton away completely (every level of Enter) and returns how many
    // levels were held; 0 when this thread did not hold it.
    int ReleaseAll();
    // Takes it back with `levels` levels (nothing when 0).
    void Reacquire(int levels);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cvFree;
    std::thread::id m_owner;
    int m_nDepth = 0;
};

// RAII: holds the baton for a scope.
class BatonHold {
public:
    explicit BatonHold(Baton& baton) : m_baton(baton) { m_baton.Enter(); }
    ~BatonHold() { m_baton.Leave(); }
    BatonHold(const BatonHold&) = delete;
    BatonHold& operator=(const BatonHold&) = delete;

private:
    Baton& m_baton;
};

// RAII: lets go of the baton for a scope if this thread holds it (a wait for the
// office, a sleep in the event loop), and takes it back at the end.
class BatonRelease {
public:
    explicit BatonRelease(Baton& baton) : m_baton(baton), m_nLevels(baton.ReleaseAll()) {}
    ~BatonRelease() { m_baton.Reacquire(m_nLevels); }
    BatonRelease(const BatonRelease&) = delete;
    BatonRelease& operator=(const BatonRelease&) = delete;

private:
    Baton& m_baton;
    int m_nLevels;
};

// Work posted from any thread, run on the main thread in posting order.
// A program with its own event loop (Qt) replaces the queue through
// OfficeConnection::SetPoster and releases the baton around its own sleeps.
class MainQueue {
public:
    void Post(std::function<void()> fnWork);
    // Runs what is queued now (on the calling thread, which should hold the baton).
    // The number of items run.
    std::size_t RunPending();
    // Sleeps until work arrives or `timeout` passes, with the baton released while
    // asleep, then runs what is queued. The number of items run.
    std::size_t WaitAndRun(Baton& baton, std::chrono::milliseconds timeout);

private:
    std::mutex m_mutex;
    std::condition_variable m_cvWork;
    std::deque<std::function<void()>> m_queue;
};

} // namespace quillmark::libreoffice
