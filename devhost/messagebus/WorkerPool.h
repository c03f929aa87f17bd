#pragma once

#include "platform/UniqueHandles.h"

#include <chrono>
#include <compare>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
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
    using Clock = std::chrono::steady_clock;

    // Names a delayed task, so that it can be cancelled before it is due.
    struct DelayedTaskId
    {
        Clock::time_point due;
        std::uint64_t sequence;
        auto operator<=>(const DelayedTaskId&) const = default;
    };

    explicit WorkerPool(std::size_t maxWorkers);
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Runs the task on a worker thread. Dropped after stop.
    void post(Task task);
    // Runs the task on a worker thread once the delay has passed. Dropped
    // after stop.
    DelayedTaskId postAfter(std::chrono::milliseconds delay, Task task);
    // Drops the delayed task unless it has already been handed to a worker.
    // The task is destroyed without the pool's lock held.
    void cancel(const DelayedTaskId& id);
    // The tasks queued or delayed that have not started.
    std::size_t pendingTasks();
    // Drops the tasks that have not started and waits for every thread to end,
    // except the calling thread, which ends when its current task returns.
    // Tasks are destroyed without the pool's lock held.
    void stop();

private:
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
    std::map<DelayedTaskId, Task> delayed_;
    std::uint64_t nextDelayedSequence_ = 0;
    std::vector<Ostrel::UniqueHandle> threads_;
    std::size_t workers_ = 0;
    std::size_t idleWorkers_ = 0;
    bool timerStarted_ = false;
    bool stopping_ = false;
};

} // namespace DevBus
