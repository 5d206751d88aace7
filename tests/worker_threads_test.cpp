// The threads of a run and the message-file indexes they share.
#include "util/worker_threads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "convert/message_store.h"

namespace vellum {
namespace {

TEST(WorkerThreads, RunsEveryTaskOnAWorkerWithinItsSlots) {
    for (const std::size_t count : {1u, 2u, 5u}) {
        std::mutex mutex;
        std::set<std::size_t> seen;
        std::atomic<int> done{0};
        {
            WorkerThreads workers(count, {});
            ASSERT_EQ(workers.Slots(), count);
            for (int i = 0; i < 200; ++i) {
                workers.Post([&](std::size_t worker) {
                    {
                        std::lock_guard lock(mutex);
                        seen.insert(worker);
                    }
                    ++done;
                });
            }
            while (done < 200) std::this_thread::yield();
        }
        EXPECT_LT(*seen.rbegin(), count);
    }
}

TEST(WorkerThreads, StartsEachThreadWithTheGivenStep) {
    std::atomic<int> started{0};
    {
        WorkerThreads workers(3, [&] { ++started; });
        std::atomic<int> done{0};
        for (int i = 0; i < 3; ++i) workers.Post([&](std::size_t) { ++done; });
        while (done < 3) std::this_thread::yield();
    }
    EXPECT_EQ(started, 3);
}

TEST(WorkerThreads, WithoutThreadsRunsEachTaskAtOnce) {
    WorkerThreads workers(0, {});
    EXPECT_EQ(workers.Slots(), 1u);
    int ran = 0;
    workers.Post([&](std::size_t worker) { ran += worker == 0 ? 1 : 100; });
    EXPECT_EQ(ran, 1);
}

TEST(WorkerThreads, CountIsAsAskedOrOnePerCoreUpToEight) {
    EXPECT_EQ(WorkerCount(3), 3u);
    EXPECT_EQ(WorkerCount(20), 20u);
    const std::size_t automatic = WorkerCount(0);
    const std::size_t cores = std::thread::hardware_concurrency();
    EXPECT_EQ(automatic, cores == 0 ? 1 : std::min<std::size_t>(cores, 8));
}

TEST(FileIndexes, BuildsEachFileOnceForAllThreads) {
    FileIndexes indexes;
    std::atomic<int> builds{0};
    const FileIndexes::Builder build = [&] {
        ++builds;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the others arrive meanwhile
        return std::make_shared<const FileIndex>();
    };
    std::vector<std::shared_ptr<const FileIndex>> got(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < got.size(); ++i) threads.emplace_back([&, i] { got[i] = indexes.Get("a.bmf", build); });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(builds, 1);
    for (const auto& index : got) EXPECT_EQ(index, got[0]);
    EXPECT_NE(indexes.Get("b.bmf", build), got[0]);
    EXPECT_EQ(builds, 2);
}

TEST(FileIndexes, KeepsNoFailedBuild) {
    FileIndexes indexes;
    int builds = 0;
    EXPECT_EQ(indexes.Get("a.bmf", [&] { ++builds; return std::shared_ptr<const FileIndex>(); }), nullptr);
    EXPECT_NE(indexes.Get("a.bmf", [&] { ++builds; return std::make_shared<const FileIndex>(); }), nullptr);
    EXPECT_EQ(builds, 2);

    // Out of memory while building reaches the caller, and the next record tries again.
    EXPECT_THROW(indexes.Get("c.bmf", []() -> std::shared_ptr<const FileIndex> { throw std::bad_alloc(); }),
                 std::bad_alloc);
    EXPECT_NE(indexes.Get("c.bmf", [] { return std::make_shared<const FileIndex>(); }), nullptr);
}

}  // namespace
}  // namespace vellum
