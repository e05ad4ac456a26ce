#include "libreoffice/uno/callrunner.h"

#include "resources/strings.h"

#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/uno/Exception.hpp>
#include <com/sun/star/uno/RuntimeException.hpp>
#include <rtl/ustring.hxx>

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

namespace quillmark::libreoffice {

namespace {

// One piece of work handed between the caller and the worker.
struct Task {
    std::function<void()> fnWork;
    bool bDone = false;
    bool bOk = false;
    std::string strError;
};

// A call of the caller's, run by the worker. Callbacks of the office caused by
// it go to the caller (toCaller); calls the caller makes while it runs one go
// back to the worker (toWorker). One mutex and condition for all of it.
struct Job {
    std::mutex mutex;
    std::condition_variable cv;
    Task call;
    std::deque<std::shared_ptr<Task>> toCaller;
    std::deque<std::shared_ptr<Task>> toWorker;
    bool bAbandoned = false; // the caller stopped waiting
};

thread_local int t_nCallbackDepth = 0;
thread_local bool t_bWorker = false;
thread_local Job* t_pWorkerJob = nullptr;                // on the worker: the call it runs
thread_local std::shared_ptr<Job>* t_pServedJob = nullptr; // on the caller: the call whose callback it runs

void RunCaught(Task& task)
{
    try {
        task.fnWork();
        task.bOk = true;
    } catch (...) {
        task.strError = CurrentExceptionMessage();
        task.bOk = false;
    }
    task.fnWork = nullptr; // what it holds goes now, not with the last reference
}

// On the caller: waits (baton released) until `done` or the time limit, running
// the callbacks the worker hands over meanwhile (with the baton). False on timeout.
template <class Done>
bool WaitServing(const std::shared_ptr<Job>& spJob, Baton& baton, std::chrono::milliseconds timeout, Done done)
{
    BatonRelease waiting(baton);
    std::unique_lock lock(spJob->mutex);
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (done()) return true;
        if (!spJob->toCaller.empty()) {
            auto spTask = spJob->toCaller.front();
            spJob->toCaller.pop_front();
            lock.unlock();
            {
                BatonHold hold(baton);
                std::shared_ptr<Job> served = spJob;
                std::shared_ptr<Job>* previous = t_pServedJob;
                t_pServedJob = &served;
                RunCaught(*spTask);
                t_pServedJob = previous;
            }
            lock.lock();
            spTask->bDone = true;
            spJob->cv.notify_all();
            deadline = std::chrono::steady_clock::now() + timeout;
            continue;
        }
        if (spJob->cv.wait_until(lock, deadline) == std::cv_status::timeout && !done() && spJob->toCaller.empty()) {
            spJob->bAbandoned = true;
            spJob->cv.notify_all();
            return false;
        }
    }
}

} // namespace

struct CallRunner::Worker {
    std::mutex mutex;
    std::condition_variable cvWork;
    std::deque<std::shared_ptr<Job>> queue;
    bool bStop = false;
    std::thread thread;

    static void Loop(std::shared_ptr<Worker> spSelf)
    {
        t_bWorker = true;
        for (;;) {
            std::shared_ptr<Job> spJob;
            {
                std::unique_lock lock(spSelf->mutex);
                spSelf->cvWork.wait(lock, [&] { return spSelf->bStop || !spSelf->queue.empty(); });
                if (spSelf->queue.empty()) return;
                spJob = std::move(spSelf->queue.front());
                spSelf->queue.pop_front();
            }
            t_pWorkerJob = spJob.get();
            RunCaught(spJob->call);
            t_pWorkerJob = nullptr;
            {
                std::lock_guard lock(spJob->mutex);
                spJob->call.bDone = true;
            }
            spJob->cv.notify_all();
            std::lock_guard lock(spSelf->mutex);
            if (spSelf->bStop) return;
        }
    }
};

CallRunner::~CallRunner()
{
    if (!m_spWorker) return;
    {
        std::lock_guard lock(m_spWorker->mutex);
        m_spWorker->bStop = true;
    }
    m_spWorker->cvWork.notify_all();
    if (m_spWorker->thread.joinable()) m_spWorker->thread.join();
}

bool CallRunner::InPlaceThread()
{
    return t_bWorker || t_nCallbackDepth > 0;
}

std::shared_ptr<CallRunner::Worker> CallRunner::StartWorker()
{
    if (!m_spWorker) {
        m_spWorker = std::make_shared<Worker>();
        m_spWorker->thread = std::thread(&Worker::Loop, m_spWorker);
    }
    return m_spWorker;
}

bool CallRunner::Run(std::function<void()> fnCall, std::string* error)
{
    return Run(std::move(fnCall), m_timeout, error);
}

bool CallRunner::Run(std::function<void()> fnCall, std::chrono::milliseconds timeout, std::string* error)
{
    auto timedOut = [&] {
        if (error) *error = Message(602, {std::to_string((timeout.count() + 999) / 1000)});
        return false;
    };

    // Inside a callback the worker handed us: the worker makes the call, so that
    // it leaves from the thread the office is waiting for.
    if (t_pServedJob && !t_bWorker) {
        std::shared_ptr<Job> spJob = *t_pServedJob;
        auto spTask = std::make_shared<Task>();
        spTask->fnWork = std::move(fnCall);
        {
            std::lock_guard lock(spJob->mutex);
            spJob->toWorker.push_back(spTask);
        }
        spJob->cv.notify_all();
        if (!WaitServing(spJob, m_baton, timeout, [&] { return spTask->bDone; })) return timedOut();
        if (!spTask->bOk && error) *error = spTask->strError;
        return spTask->bOk;
    }

    if (InPlaceThread()) {
        Task task;
        task.fnWork = std::move(fnCall);
        RunCaught(task);
        if (!task.bOk && error) *error = task.strError;
        return task.bOk;
    }

    auto spWorker = StartWorker();
    auto spJob = std::make_shared<Job>();
    spJob->call.fnWork = std::move(fnCall);
    {
        std::lock_guard lock(spWorker->mutex);
        spWorker->queue.push_back(spJob);
    }
    spWorker->cvWork.notify_all();

    if (!WaitServing(spJob, m_baton, timeout, [&] { return spJob->call.bDone; })) {
        // The worker stays blocked in the office; it ends on its own when the call
        // returns or the connection closes. The next call gets a fresh worker.
        {
            std::lock_guard lock(spWorker->mutex);
            spWorker->bStop = true;
        }
        spWorker->cvWork.notify_all();
        spWorker->thread.detach();
        m_spWorker.reset();
        return timedOut();
    }
    std::lock_guard lock(spJob->mutex);
    if (!spJob->call.bOk && error) *error = spJob->call.strError;
    return spJob->call.bOk;
}

bool CallRunner::ServingCallback()
{
    return t_pServedJob != nullptr;
}

bool CallRunner::RunOnCaller(const std::function<void()>& fnWork)
{
    Job* pJob = t_pWorkerJob;
    if (!pJob) return false;
    auto spTask = std::make_shared<Task>();
    spTask->fnWork = fnWork;
    std::unique_lock lock(pJob->mutex);
    if (pJob->bAbandoned) return false;
    pJob->toCaller.push_back(spTask);
    pJob->cv.notify_all();
    // Meanwhile, the calls the callback makes are made from here.
    for (;;) {
        if (spTask->bDone) return true;
        if (!pJob->toWorker.empty()) {
            auto spCall = pJob->toWorker.front();
            pJob->toWorker.pop_front();
            lock.unlock();
            RunCaught(*spCall);
            lock.lock();
            spCall->bDone = true;
            pJob->cv.notify_all();
            continue;
        }
        if (pJob->bAbandoned) {
            // The caller left; a task it had not taken yet is taken back.
            for (auto it = pJob->toCaller.begin(); it != pJob->toCaller.end(); ++it)
                if (*it == spTask) {
                    pJob->toCaller.erase(it);
                    return false;
                }
            if (spTask->bDone) return true;
        }
        pJob->cv.wait(lock);
    }
}

CallbackScope::CallbackScope()
{
    ++t_nCallbackDepth;
}

CallbackScope::~CallbackScope()
{
    --t_nCallbackDepth;
}

std::string CurrentExceptionMessage()
{
    try {
        throw;
    } catch (const UserError& e) {
        return e.what();
    } catch (const css::lang::DisposedException&) {
        return Message(603);
    } catch (const css::uno::Exception& e) {
        const rtl::OString text = OUStringToOString(e.Message, RTL_TEXTENCODING_UTF8);
        return Message(613, {text.isEmpty() ? std::string("(no reason given)") : std::string(text.getStr())});
    } catch (const std::exception& e) {
        return Message(613, {e.what()});
    } catch (...) {
        return Message(613, {"unknown error"});
    }
}

std::string Message(int id, std::initializer_list<std::string> args)
{
    const std::string& format = LoadResString(id);
    std::string out;
    auto next = args.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's') {
            if (next != args.end()) out += *next++;
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}

} // namespace quillmark::libreoffice
