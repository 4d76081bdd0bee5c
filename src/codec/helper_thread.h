#pragma once
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace corvane {

// A second thread for its owner's lifetime, started by the first task: the
// coders hand it many short tasks, and starting a thread for each costs
// milliseconds under Wine. Where no thread can be started, its tasks run on
// the caller.
class HelperThread {
  public:
    HelperThread() = default;
    HelperThread(const HelperThread&) = delete;
    HelperThread& operator=(const HelperThread&) = delete;
    ~HelperThread() {
        if (!thread_.joinable()) return;
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }

    // Runs `other` on the helper while `own` runs here; returns once both are
    // done, and rethrows what either threw.
    void RunBoth(std::function<void()> other, const std::function<void()>& own) {
        Start(std::move(other));
        try {
            own();
        } catch (...) {
            Finish();
            throw;
        }
        if (std::exception_ptr failure = Finish()) std::rethrow_exception(failure);
    }

  private:
    void Start(std::function<void()> task) {
        if (!tried_) {
            tried_ = true;
            try {
                thread_ = std::thread([this] { Serve(); });
            } catch (const std::system_error&) {
            }
        }
        if (!thread_.joinable()) {
            Run(task);
            return;
        }
        {
            std::lock_guard lock(mutex_);
            task_ = std::move(task);
        }
        wake_.notify_one();
    }

    // Waits for the task; what it threw, if anything.
    std::exception_ptr Finish() {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [this] { return !task_; });
        return std::exchange(failure_, nullptr);
    }

    void Run(const std::function<void()>& task) {
        try {
            task();
        } catch (...) {
            failure_ = std::current_exception();
        }
    }

    void Serve() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return quit_ || task_; });
            if (quit_) return;
            lock.unlock();
            Run(task_);
            lock.lock();
            task_ = nullptr;
            done_.notify_one();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::function<void()> task_;  // set while a task is handed over or running
    std::exception_ptr failure_;
    bool quit_ = false;
    bool tried_ = false;  // to start the thread
    std::thread thread_;
};

}  // namespace corvane
