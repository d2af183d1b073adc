#include "eventloop.h"

namespace edsim {

EventLoop::~EventLoop()
{
    stop();
}

void EventLoop::start()
{
    std::lock_guard lock(mutex_);
    if (thread_.joinable())
        return;
    stopping_ = false;
    thread_ = std::thread([this] { run(); });
}

void EventLoop::stop()
{
    {
        std::lock_guard lock(mutex_);
        if (!thread_.joinable())
            return;
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
    std::lock_guard lock(mutex_);
    tasks_.clear();
    idle_.notify_all();
}

bool EventLoop::onLoopThread() const
{
    return std::this_thread::get_id() == thread_.get_id();
}

void EventLoop::postAt(Clock::time_point due, Task task)
{
    {
        std::lock_guard lock(mutex_);
        tasks_.emplace(std::make_pair(due, sequence_++), std::move(task));
    }
    wake_.notify_all();
}

bool EventLoop::waitIdle(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    return idle_.wait_for(lock, timeout, [this] { return (tasks_.empty() && !running_) || stopping_; });
}

void EventLoop::run()
{
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (tasks_.empty()) {
            wake_.wait(lock);
            continue;
        }
        const auto due = tasks_.begin()->first.first;
        if (Clock::now() < due) {
            wake_.wait_until(lock, due);
            continue;
        }
        Task task = std::move(tasks_.begin()->second);
        tasks_.erase(tasks_.begin());
        running_ = true;
        lock.unlock();
        task();
        lock.lock();
        running_ = false;
        idle_.notify_all();
    }
}

} // namespace edsim
