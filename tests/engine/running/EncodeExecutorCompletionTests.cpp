#include "ImageEngine/Running/EncodeExecutor.h"

#include "platform/base/Cancellation.h"
#include "platform/files/FilePath.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

using namespace pictavo;
using testing_support::TemporaryFolder;

namespace {

// What a completion saw: the job's value or what it threw, and the thread it was called on.
struct Seen {
    std::int64_t bytes = -1;
    std::exception_ptr error;
    std::thread::id thread;
};

// Reads the real file as one job, the plainest conversion there is (the output is the source
// as it stands), and waits for its completion: only a test may wait.
Seen sizeOf(EncodeExecutor& executor, const std::filesystem::path& source, std::stop_token stop = {}) {
    std::promise<Seen> seen;
    executor.encoding(
        std::move(stop),
        [source](std::stop_token token) {
            platform::throwIfCancelled(token);
            return static_cast<std::int64_t>(platform::readWholeFile(source).size());
        },
        [&seen](JobOutcome<std::int64_t> done) {
            Seen what;
            what.thread = std::this_thread::get_id();
            try {
                what.bytes = done.take();
            } catch (...) {
                what.error = std::current_exception();
            }
            seen.set_value(what);
        });
    return seen.get_future().get();
}

} // namespace

TEST(EncodeExecutorCompletion, ValuesErrorsAndCancellationsArriveInTheCompletionOnTheJobsThread) {
    TemporaryFolder folder;
    const auto source = folder.write("a.png", platform::Bytes(1234, 7));
    EncodeExecutor executor(1);
    const Seen read = sizeOf(executor, source);
    EXPECT_EQ(read.bytes, 1234);
    EXPECT_FALSE(read.error);
    EXPECT_NE(read.thread, std::this_thread::get_id());

    const Seen gone = sizeOf(executor, folder.file("gone.png"));
    ASSERT_TRUE(gone.error);
    EXPECT_THROW(std::rethrow_exception(gone.error), platform::FileError);

    std::stop_source stop;
    stop.request_stop();
    const Seen cancelled = sizeOf(executor, source, stop.get_token());
    ASSERT_TRUE(cancelled.error);
    EXPECT_THROW(std::rethrow_exception(cancelled.error), platform::CancellationError);
}

// A completion is part of its job: with one thread, the next job starts only once the
// completion of the one before has returned, so that a completion never waits for a place.
TEST(EncodeExecutorCompletion, TheNextJobStartsOnlyAfterTheCompletionOfTheOneBefore) {
    EncodeExecutor executor(1);
    std::promise<void> releaseCompletion;
    std::shared_future<void> released = releaseCompletion.get_future().share();
    std::atomic<bool> completionReturned = false;
    std::promise<bool> secondSaw;
    executor.encoding(
        std::stop_token{}, [](std::stop_token) { return 1; },
        [released, &completionReturned](JobOutcome<int>) {
            released.wait();
            completionReturned = true;
        });
    executor.encoding(
        std::stop_token{}, [&completionReturned](std::stop_token) { return completionReturned.load(); },
        [&secondSaw](JobOutcome<bool> done) { secondSaw.set_value(done.take()); });
    releaseCompletion.set_value();
    EXPECT_TRUE(secondSaw.get_future().get());
}
