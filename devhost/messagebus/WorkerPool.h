#pragma once

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace DevBus
{

// Worker threads that run tasks, started on demand: whenever a task waits and
// no worker is idle, a new worker starts, up to a maximum; beyond it tasks wait
// for a free worker. Delayed tasks are handed to the workers by a timer thread
// of their own. Held through a shared pointer: every thread keeps the pool
// alive until it ends.
class WorkerPool : public std::enable_shared_from_this<WorkerPool>
{
public:
    using Task = std::function<void()>;

    explicit WorkerPool(std::size_t maxWorkers);
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Runs the task on a worker thread. Dropped after stop.
    void post(Task task);
    // Runs the task on a worker thread once the delay has passed. Dropped
    // after stop.
    void postAfter(std::chrono::milliseconds delay, Task task);
    // Drops the tasks that have not started and waits for every thread to end,
    // except the calling thread, which ends when its current task returns.
    // Tasks are destroyed without the pool's lock held.
    void stop();

private:
    using Clock = std::chrono::steady_clock;

    void work();
    void time();
    // Queues a task for the workers, starting one when none is free. Called
    // with the lock held.
    void enqueue(Task task);
    // Starts a thread running the given loop. Called with the lock held.
    bool startThread(void (WorkerPool::*loop)());

    const std::size_t maxWorkers_;
    std::mutex mutex_;
    std::condition_variable workWake_;
    std::condition_variable timerWake_;
    std::deque<Task> ready_;
    std::multimap<Clock::time_point, Task> delayed_;
    std::vector<HANDLE> threads_;
    std::size_t workers_ = 0;
    std::size_t idleWorkers_ = 0;
    bool timerStarted_ = false;
    bool stopping_ = false;
};

} // namespace DevBus
