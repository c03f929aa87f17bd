#include "WorkerPool.h"

#include "LibraryThread.h"

#include <utility>

namespace DevBus
{

WorkerPool::WorkerPool(std::size_t maxWorkers)
    : maxWorkers_(maxWorkers)
{
}

void WorkerPool::post(Task task)
{
    std::lock_guard lock(mutex_);
    if (!stopping_)
    {
        enqueue(std::move(task));
    }
}

WorkerPool::DelayedTaskId WorkerPool::postAfter(std::chrono::milliseconds delay, Task task)
{
    std::lock_guard lock(mutex_);
    const DelayedTaskId id{Clock::now() + delay, nextDelayedSequence_++};
    if (stopping_)
    {
        return id;
    }
    delayed_.emplace(id, std::move(task));
    if (!timerStarted_)
    {
        timerStarted_ = startThread(&WorkerPool::time);
    }
    timerWake_.notify_one();
    return id;
}

void WorkerPool::cancel(const DelayedTaskId& id)
{
    // Declared before the lock, so destroyed after it is released.
    decltype(delayed_)::node_type cancelled;
    std::lock_guard lock(mutex_);
    cancelled = delayed_.extract(id);
}

std::size_t WorkerPool::pendingTasks()
{
    std::lock_guard lock(mutex_);
    return ready_.size() + delayed_.size();
}

void WorkerPool::stop()
{
    std::vector<Ostrel::UniqueHandle> threads;
    std::deque<Task> ready;
    std::map<DelayedTaskId, Task> delayed;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        threads.swap(threads_);
        ready.swap(ready_);
        delayed.swap(delayed_);
    }
    workWake_.notify_all();
    timerWake_.notify_all();
    ready.clear();
    delayed.clear();

    const DWORD self = GetCurrentThreadId();
    for (const Ostrel::UniqueHandle& thread : threads)
    {
        if (GetThreadId(thread.get()) != self)
        {
            WaitForSingleObject(thread.get(), INFINITE);
        }
    }
}

void WorkerPool::work()
{
    std::unique_lock lock(mutex_);
    for (;;)
    {
        ++idleWorkers_;
        workWake_.wait(lock, [this] { return stopping_ || !ready_.empty(); });
        --idleWorkers_;
        if (stopping_)
        {
            return;
        }
        Task task = std::move(ready_.front());
        ready_.pop_front();
        lock.unlock();
        // A failing task must not take the worker down with it.
        try
        {
            task();
        }
        catch (...)
        {
        }
        task = nullptr;
        lock.lock();
    }
}

void WorkerPool::time()
{
    std::unique_lock lock(mutex_);
    while (!stopping_)
    {
        if (delayed_.empty())
        {
            timerWake_.wait(lock);
            continue;
        }
        const auto first = delayed_.begin();
        if (first->first.due > Clock::now())
        {
            timerWake_.wait_until(lock, first->first.due);
            continue;
        }
        Task task = std::move(first->second);
        delayed_.erase(first);
        enqueue(std::move(task));
    }
}

void WorkerPool::enqueue(Task task)
{
    ready_.push_back(std::move(task));
    if (ready_.size() > idleWorkers_ && workers_ < maxWorkers_ && startThread(&WorkerPool::work))
    {
        ++workers_;
    }
    workWake_.notify_one();
}

bool WorkerPool::startThread(void (WorkerPool::*loop)())
{
    threads_.reserve(threads_.size() + 1);
    Ostrel::UniqueHandle thread = StartLibraryThread([self = shared_from_this(), loop] { ((*self).*loop)(); });
    if (!thread)
    {
        return false;
    }
    threads_.push_back(std::move(thread));
    return true;
}

} // namespace DevBus
