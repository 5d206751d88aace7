// A fixed set of threads that take posted tasks in the order they were posted. Each task learns
// which thread runs it, so that callers can keep per-thread state (open files, buffers) in a
// vector indexed by that number.
#pragma once
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vellum {

class WorkerThreads {
public:
    using Task = std::function<void(std::size_t worker)>;

    // Starts up to `count` threads, each running `start` first. When the system gives none,
    // Post runs every task itself, at once, as worker 0: slower, never wrong.
    WorkerThreads(std::size_t count, std::function<void()> start);
    // Tasks not yet started are dropped; running ones are waited for.
    ~WorkerThreads();
    WorkerThreads(const WorkerThreads&) = delete;
    WorkerThreads& operator=(const WorkerThreads&) = delete;

    // How many per-thread states the caller needs: at least one.
    std::size_t Slots() const { return threads_.empty() ? 1 : threads_.size(); }
    std::size_t Threads() const { return threads_.size(); }
    // A task must not throw: it catches what it can meet and hands it over as a value.
    void Post(Task task);

private:
    void Run(std::size_t worker);

    std::function<void()> start_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Task> tasks_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

// Threads for a run: `wanted`, or with 0 as many as the machine has cores (at least 1, at most 8).
std::size_t WorkerCount(std::size_t wanted);

}  // namespace vellum
