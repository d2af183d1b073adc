#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace edsim {

// A thread that runs tasks at their due time, in due order and, for equal times, in
// posting order. Tasks run without any lock of the loop held.
class EventLoop {
public:
    using Clock = std::chrono::steady_clock;
    using Task = std::function<void()>;

    EventLoop() = default;
    ~EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    void start();
    // Drops tasks not yet run and joins the thread.
    void stop();
    bool onLoopThread() const;

    void post(Task task) { postAt(Clock::now(), std::move(task)); }
    void postAfter(std::chrono::milliseconds delay, Task task) { postAt(Clock::now() + delay, std::move(task)); }
    void postAt(Clock::time_point due, Task task);
    // Waits until no task is due or running, also none due later. False when the time ran out.
    bool waitIdle(std::chrono::milliseconds timeout);

private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    bool running_ = false;
    std::multimap<std::pair<Clock::time_point, uint64_t>, Task> tasks_;
    uint64_t sequence_ = 0;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace edsim
