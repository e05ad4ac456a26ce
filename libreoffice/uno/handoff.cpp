#include "libreoffice/uno/handoff.h"

#include <cassert>

namespace quillmark::libreoffice {

void Baton::Enter()
{
    std::unique_lock lock(m_mutex);
    const auto self = std::this_thread::get_id();
    m_cvFree.wait(lock, [&] { return m_nDepth == 0 || m_owner == self; });
    m_owner = self;
    ++m_nDepth;
}

bool Baton::TryEnterFor(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    const auto self = std::this_thread::get_id();
    if (!m_cvFree.wait_for(lock, timeout, [&] { return m_nDepth == 0 || m_owner == self; }))
        return false;
    m_owner = self;
    ++m_nDepth;
    return true;
}

void Baton::Leave()
{
    std::lock_guard lock(m_mutex);
    assert(m_nDepth > 0 && m_owner == std::this_thread::get_id());
    if (m_nDepth == 0 || m_owner != std::this_thread::get_id())
        return;
    if (--m_nDepth == 0) {
        m_owner = {};
        m_cvFree.notify_all();
    }
}

bool Baton::HeldByThisThread() const
{
    std::lock_guard lock(m_mutex);
    return m_nDepth > 0 && m_owner == std::this_thread::get_id();
}

int Baton::ReleaseAll()
{
    std::lock_guard lock(m_mutex);
    if (m_nDepth == 0 || m_owner != std::this_thread::get_id())
        return 0;
    const int levels = m_nDepth;
    m_nDepth = 0;
    m_owner = {};
    m_cvFree.notify_all();
    return levels;
}

void Baton::Reacquire(int levels)
{
    if (levels <= 0)
        return;
    std::unique_lock lock(m_mutex);
    const auto self = std::this_thread::get_id();
    m_cvFree.wait(lock, [&] { return m_nDepth == 0 || m_owner == self; });
    m_owner = self;
    m_nDepth += levels;
}

void MainQueue::Post(std::function<void()> fnWork)
{
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(fnWork));
    }
    m_cvWork.notify_all();
}

std::size_t MainQueue::RunPending()
{
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard lock(m_mutex);
        batch.swap(m_queue);
    }
    for (auto& fn : batch)
        fn();
    return batch.size();
}

std::size_t MainQueue::WaitAndRun(Baton& baton, std::chrono::milliseconds timeout)
{
    {
        BatonRelease asleep(baton);
        std::unique_lock lock(m_mutex);
        m_cvWork.wait_for(lock, timeout, [&] { return !m_queue.empty(); });
    }
    return RunPending();
}

} // namespace quillmark::libreoffice
