#include "ImageEngine/Running/SpareProcessors.h"

#include "ImageEngine/Running/EncodeExecutor.h"
#include "platform/pixels/BandRunner.h"
#include "platform/pixels/LibraryThreads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

using pictavo::EncodeExecutor;
using pictavo::SpareProcessors;

TEST(SpareProcessors, LoansNeverHandOutMoreThanIsSpareAndComeBackAndARunningExecutorJobIsBusy) {
    const std::int64_t spare = SpareProcessors::available();
    ASSERT_GT(spare, 0); // nothing else runs in this process
    {
        const SpareProcessors::Loan all(spare + 5);
        EXPECT_EQ(all.count(), spare);
        EXPECT_EQ(SpareProcessors::available(), 0);
        const SpareProcessors::Loan none(1);
        EXPECT_EQ(none.count(), 0);
    }
    EXPECT_EQ(SpareProcessors::available(), spare);
    EXPECT_EQ(SpareProcessors::Loan(0).count(), 0);
    EXPECT_EQ(SpareProcessors::Loan(-3).count(), 0);

    EncodeExecutor executor(1);
    std::promise<void> release;
    std::promise<std::int64_t> seen;
    auto job = executor.encoding([&] {
        seen.set_value(SpareProcessors::available());
        release.get_future().wait();
    });
    EXPECT_EQ(seen.get_future().get(), spare - 1);
    release.set_value();
    job.get();
}

TEST(SpareProcessors, RunsEveryTaskOnceEvenWithNothingSpareAndRethrowsAFailureAfterTheOthersFinish) {
    for (const bool starved : {false, true}) {
        const SpareProcessors::Loan hold(starved ? SpareProcessors::available() : 0);
        std::vector<std::atomic<int>> runs(20);
        std::vector<std::function<void()>> tasks;
        for (std::size_t i = 0; i < runs.size(); ++i) tasks.emplace_back([&runs, i] { ++runs[i]; });
        SpareProcessors::runSideBySide(tasks);
        for (const auto& count : runs) EXPECT_EQ(count.load(), 1) << "starved " << starved;
    }
    SpareProcessors::runSideBySide({});

    std::atomic<int> finished{0};
    const auto slow = [&] {
        std::this_thread::yield();
        ++finished;
    };
    const auto fail = [] { throw std::runtime_error("task failed"); };
    EXPECT_THROW(SpareProcessors::runSideBySide({slow, fail, slow, fail, slow}), std::runtime_error);
    EXPECT_EQ(finished.load(), 3);
    EXPECT_EQ(SpareProcessors::available() > 0, true); // the loan was given back
}

TEST(SpareProcessors, DrawBandsAndLibraryThreadLeasesBorrowOnlySpareProcessors) {
    // With the engine linked in, an encoder's worker pool is the calling thread and what is
    // spare, and holds it until the lease ends.
    const std::int64_t spare = SpareProcessors::available();
    {
        const platform::LibraryThreads::Lease lease(2);
        EXPECT_EQ(lease.threads(), 1 + std::min<std::int64_t>(2, spare));
        EXPECT_EQ(SpareProcessors::available(), spare - std::min<std::int64_t>(2, spare));
        const SpareProcessors::Loan rest(SpareProcessors::available());
        const platform::LibraryThreads::Lease starved(4);
        EXPECT_EQ(starved.threads(), 1);
        // The platform's draw bands run as side-by-side tasks: with every processor lent
        // elsewhere they all run on the drawing thread.
        std::mutex lock;
        std::set<std::thread::id> threads;
        platform::BandRunner::run(platform::BandRunner::Tasks(4, [&] {
            const std::lock_guard guard(lock);
            threads.insert(std::this_thread::get_id());
        }));
        EXPECT_EQ(threads, std::set<std::thread::id>{std::this_thread::get_id()});
    }
    EXPECT_EQ(SpareProcessors::available(), spare);
}
