#include "libreoffice/uno/callrunner.h"

#include "resources/strings.h"

#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/uno/Exception.hpp>
#include <com/sun/star/uno/RuntimeException.hpp>
#include <cppuhelper/exc_hlp.hxx>
#include <rtl/ustring.hxx>

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

namespace quillmark::libreoffice {

namespace {

thread_local int t_nCallbackDepth = 0;
thread_local bool t_bWorker = false;

struct Job {
    std::function<void()> fnCall;
    std::mutex mutex;
    std::condition_variable cvDone;
    bool bDone = false;
    bool bOk = false;
    std::string strError;
};

bool RunCaught(const std::function<void()>& fnCall, std::string* error)
{
    try {
        fnCall();
        return true;
    } catch (...) {
        if (error) *error = CurrentExceptionMessage();
        return false;
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
            std::string error;
            const bool bOk = RunCaught(spJob->fnCall, &error);
            spJob->fnCall = nullptr; // what it holds goes now, not with the last reference
            {
                std::lock_guard lock(spJob->mutex);
                spJob->bDone = true;
                spJob->bOk = bOk;
                spJob->strError = std::move(error);
            }
            spJob->cvDone.notify_all();
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

bool CallRunner::Run(std::function<void()> fnCall, std::string* error)
{
    return Run(std::move(fnCall), m_timeout, error);
}

bool CallRunner::Run(std::function<void()> fnCall, std::chrono::milliseconds timeout, std::string* error)
{
    if (InPlaceThread()) return RunCaught(fnCall, error);

    if (!m_spWorker) {
        m_spWorker = std::make_shared<Worker>();
        m_spWorker->thread = std::thread(&Worker::Loop, m_spWorker);
    }
    auto spJob = std::make_shared<Job>();
    spJob->fnCall = std::move(fnCall);
    {
        std::lock_guard lock(m_spWorker->mutex);
        m_spWorker->queue.push_back(spJob);
    }
    m_spWorker->cvWork.notify_all();

    bool bFinished;
    {
        BatonRelease waiting(m_baton);
        std::unique_lock lock(spJob->mutex);
        bFinished = spJob->cvDone.wait_for(lock, timeout, [&] { return spJob->bDone; });
    }
    if (!bFinished) {
        // The worker stays blocked in the office; it ends on its own when the call
        // returns or the connection closes. The next call gets a fresh worker.
        {
            std::lock_guard lock(m_spWorker->mutex);
            m_spWorker->bStop = true;
        }
        m_spWorker->cvWork.notify_all();
        m_spWorker->thread.detach();
        m_spWorker.reset();
        if (error)
            *error = Message(602, {std::to_string((timeout.count() + 999) / 1000)});
        return false;
    }
    std::lock_guard lock(spJob->mutex);
    if (!spJob->bOk && error) *error = spJob->strError;
    return spJob->bOk;
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
        const std::string text = OUStringToOString(e.Message, RTL_TEXTENCODING_UTF8).getStr();
        return Message(613, {text.empty() ? std::string("(no reason given)") : text});
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
