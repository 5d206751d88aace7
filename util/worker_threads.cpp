#include "util/worker_threads.h"

#include <algorithm>
#include <system_error>

namespace vellum {

WorkerThreads::WorkerThreads(std::size_t count, std::function<void()> start) : start_(std::move(start)) {
    threads_.reserve(count);  // no reallocation, so no throw, once threads run
    for (std::size_t i = 0; i < count; ++i) {
        try {
            threads_.emplace_back([this, i] { Run(i); });
        } catch (const std::system_error&) {
            break;  // out of threads: the ones started do the work
        }
    }
}

WorkerThreads::~WorkerThreads() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        tasks_.clear();
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

void WorkerThreads::Post(Task task) {
    if (threads_.empty()) {
        task(0);
        return;
    }
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
}

void WorkerThreads::Run(std::size_t worker) {
    if (start_) start_();
    for (;;) {
        Task task;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
            if (stopping_) return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task(worker);
    }
}

std::size_t WorkerCount(std::size_t wanted) {
    if (wanted != 0) return wanted;
    // One writer takes what the workers give: past a few of them, more threads only hold more
    // open files and memory.
    constexpr std::size_t kMostAutomatic = 8;
    const std::size_t cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : std::min(cores, kMostAutomatic);
}

}  // namespace vellum
