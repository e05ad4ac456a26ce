#pragma once
// Runs calls into the office with a time limit.
//
// A call from a thread that is not inside an office callback is made by our
// worker thread while the caller waits, with its baton released, at most the time
// limit. The office's callbacks caused by that call come back on the worker
// (the office routes them to the thread that waits for it) and run there in
// place: the worker hands them to the waiting caller (RunOnCaller), which runs
// them on its own thread, so that the office's events caused by our calls reach
// the add-in on its main thread, in the office's order; calls the caller makes
// meanwhile are made by the worker again. A call made inside a callback that
// arrived on another thread runs on that thread itself, which is the only thread
// the office will answer then. When the limit passes, the worker is left to
// finish (or to fail when the connection closes) and a new one serves the next
// call.
#include "libreoffice/uno/handoff.h"

#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace quillmark::libreoffice {

class CallRunner {
public:
    explicit CallRunner(Baton& baton) : m_baton(baton) {}
    ~CallRunner();
    CallRunner(const CallRunner&) = delete;
    CallRunner& operator=(const CallRunner&) = delete;

    void SetTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    std::chrono::milliseconds Timeout() const { return m_timeout; }

    // Runs `fnCall`; false with `error` set when it threw (UNO or standard
    // exception) or did not finish in time. `fnCall` must own (or share) all it
    // touches: after a timeout it may still run while the caller has moved on.
    bool Run(std::function<void()> fnCall, std::string* error);
    // The same without a time limit (a connection attempt has its own).
    bool Run(std::function<void()> fnCall, std::chrono::milliseconds timeout, std::string* error);

    // True on a thread that runs calls in place: our worker, or a thread inside an
    // office callback (see CallbackScope).
    static bool InPlaceThread();
    // On our worker, inside a call: runs `fnWork` on the thread that waits for the
    // call, with the baton, and returns true when it ran. False elsewhere, or when
    // the caller gave up waiting (then nothing ran).
    static bool RunOnCaller(const std::function<void()>& fnWork);
    // True on the caller while it runs work handed over by RunOnCaller.
    static bool ServingCallback();

    struct Worker;

private:
    Baton& m_baton;
    std::chrono::milliseconds m_timeout{30000};
    std::shared_ptr<Worker> m_spWorker;
    std::shared_ptr<Worker> StartWorker();
};

// Marks the current thread as inside an office callback for its lifetime.
class CallbackScope {
public:
    CallbackScope();
    ~CallbackScope();
    CallbackScope(const CallbackScope&) = delete;
    CallbackScope& operator=(const CallbackScope&) = delete;
};

// Text of the exception being handled (UNO, standard or other), as a user
// message (the lost connection gets its own).
std::string CurrentExceptionMessage();

// String resource `id` with each "%s" replaced by the next of `args`.
std::string Message(int id, std::initializer_list<std::string> args = {});

} // namespace quillmark::libreoffice

namespace quillmark::libreoffice {

// A failure worded for the user, thrown inside a call and reported as it is.
class UserError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace quillmark::libreoffice
