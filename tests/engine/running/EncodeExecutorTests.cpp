#include "ImageEngine/Running/EncodeExecutor.h"

#include "ImageEngine/Running/EncodeConcurrency.h"
#include "platform/base/Cancellation.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <limits>
#include <set>
#include <stdexcept>

using pictavo::EncodeConcurrency;
using pictavo::EncodeExecutor;

namespace {

constexpr std::uint64_t GiB = 1024ULL * 1024 * 1024;

// Jobs that record when they start and then hold their place until the test lets them go,
// so that what runs at once and in which order can be watched without any timing.
class Gate {
public:
    int hold(int id) {
        std::unique_lock guard(lock_);
        started_.push_back(id);
        maxRunning_ = std::max(maxRunning_, ++running_);
        changed_.notify_all();
        changed_.wait(guard, [&] { return released_.count(id) > 0; });
        --running_;
        return id;
    }
    void release(int id) {
        std::lock_guard guard(lock_);
        released_.insert(id);
        changed_.notify_all();
    }
    std::vector<int> waitForStarts(std::size_t count) {
        std::unique_lock guard(lock_);
        changed_.wait(guard, [&] { return started_.size() >= count; });
        return started_;
    }
    int maxRunning() {
        std::lock_guard guard(lock_);
        return maxRunning_;
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<int> started_;
    std::set<int> released_;
    int running_ = 0;
    int maxRunning_ = 0;
};

} // namespace

TEST(EncodeExecutor, RunsAtMostItsWidthAndStartsWaitingJobsInArrivalOrder) {
    EncodeExecutor executor(2);
    Gate gate;
    std::vector<std::future<int>> results;
    for (int id = 0; id < 5; ++id) results.push_back(executor.encoding([&gate, id] { return gate.hold(id); }));

    auto started = gate.waitForStarts(2);
    EXPECT_EQ(std::set<int>(started.begin(), started.end()), (std::set<int>{0, 1}));
    gate.release(1);
    EXPECT_EQ(gate.waitForStarts(3).back(), 2);
    gate.release(0);
    EXPECT_EQ(gate.waitForStarts(4).back(), 3);
    gate.release(3);
    EXPECT_EQ(gate.waitForStarts(5).back(), 4);
    gate.release(2);
    gate.release(4);

    for (int id = 0; id < 5; ++id) EXPECT_EQ(results[static_cast<std::size_t>(id)].get(), id);
    EXPECT_EQ(gate.maxRunning(), 2);

    // With everything done, a new job starts at once beside a job that holds its place.
    auto holding = executor.encoding([&gate] { return gate.hold(10); });
    gate.waitForStarts(6);
    EXPECT_EQ(executor.encoding([] { return 11; }).get(), 11);
    gate.release(10);
    EXPECT_EQ(holding.get(), 10);

    // A width below one runs one job at a time.
    for (std::int64_t asked : {0, -3}) {
        EncodeExecutor executor(asked);
        EXPECT_EQ(executor.width(), 1);
        Gate gate;
        auto first = executor.encoding([&gate] { return gate.hold(0); });
        auto second = executor.encoding([&gate] { return gate.hold(1); });
        EXPECT_EQ(gate.waitForStarts(1), std::vector<int>{0});
        gate.release(0);
        EXPECT_EQ(gate.waitForStarts(2), (std::vector<int>{0, 1}));
        gate.release(1);
        EXPECT_EQ(first.get() + second.get(), 1);
        EXPECT_EQ(gate.maxRunning(), 1);
    }
}

TEST(EncodeExecutor, ErrorsAndCancellationTravelInTheFutureTheWorkerCarriesOnAndDestroyingFinishesWhatWaits) {
    EncodeExecutor executor(1);
    auto failing = executor.encoding([]() -> int { throw std::runtime_error("encoder broke"); });
    const auto error = testing_support::thrown<std::runtime_error>([&] { failing.get(); });
    EXPECT_STREQ(error ? error->what() : "", "encoder broke");
    auto owned = std::make_unique<int>(41);
    EXPECT_EQ(executor.encoding([owned = std::move(owned)] { return *owned + 1; }).get(), 42);
    std::atomic<bool> ran = false;
    executor.encoding([&ran] { ran = true; }).get();
    EXPECT_TRUE(ran);

    // A job cancelled while waiting still runs, and stops at its first check.
    Gate gate;
    auto blocker = executor.encoding([&gate] { return gate.hold(0); });
    gate.waitForStarts(1);
    std::stop_source stop;
    ran = false;
    std::atomic<bool> passedCheck = false;
    auto cancelled = executor.encoding(stop.get_token(), [&](std::stop_token token) {
        ran = true;
        platform::throwIfCancelled(token);
        passedCheck = true;
        return 1;
    });
    auto untouched = executor.encoding(std::stop_token{}, [](std::stop_token token) {
        platform::throwIfCancelled(token);
        return 2;
    });
    stop.request_stop();
    gate.release(0);

    EXPECT_THROW(cancelled.get(), platform::CancellationError);
    EXPECT_TRUE(ran);
    EXPECT_FALSE(passedCheck);
    EXPECT_EQ(untouched.get(), 2);
    EXPECT_EQ(blocker.get(), 0);

    std::vector<std::future<int>> results;
    {
        EncodeExecutor executor(1);
        for (int id = 0; id < 4; ++id) results.push_back(executor.encoding([id] { return id * id; }));
    }
    for (int id = 0; id < 4; ++id) EXPECT_EQ(results[static_cast<std::size_t>(id)].get(), id * id);

    EncodeExecutor& shared = EncodeExecutor::shared();
    EXPECT_EQ(&shared, &EncodeExecutor::shared());
    EXPECT_EQ(shared.width(), EncodeConcurrency::width());
    EXPECT_GE(shared.width(), 2);
    EXPECT_EQ(shared.encoding([] { return 7; }).get(), 7);
}

TEST(EncodeConcurrency, WidthAndPixelBudgetShareMemoryAndProcessorsBetweenTheConversions) {
    const std::tuple<std::uint64_t, std::int64_t, std::int64_t> widths[] = {
        {16 * GiB, 10, 6}, {8 * GiB, 8, 3}, {64 * GiB, 12, 10}, {4 * GiB, 16, 2}, {64 * GiB, 1, 2}, {64 * GiB, 0, 2},
        {0, 64, 2}, {~0ULL, 1'000'000, 1'000'000 - 2}, {~0ULL, std::numeric_limits<std::int64_t>::min(), 2}};
    for (const auto& [memory, processors, width] : widths)
        EXPECT_EQ(EncodeConcurrency::width(memory, processors), width) << memory << " bytes, " << processors;

    EXPECT_EQ(EncodeConcurrency::pixelBudget(16 * GiB, 6), 572'662'306);
    EXPECT_EQ(EncodeConcurrency::pixelBudget(4 * GiB, 2), 429'496'729);
    EXPECT_EQ(EncodeConcurrency::pixelBudget(~0ULL, 0), EncodeConcurrency::pixelBudget(~0ULL, 1));
    EXPECT_GT(EncodeConcurrency::pixelBudget(), 0);
}
