#include "ImageEngine/Decoding/BrowserHost.h"
#include "ImageEngine/Decoding/BrowserRenderGate.h"
#include "ImageEngine/Decoding/WebKitSVGSource.h"
#include "ImageEngine/Running/EncodeExecutor.h"
#include "platform/base/Cancellation.h"
#include "support/ConversionErrorCapture.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

using namespace pictavo;
using namespace std::chrono_literals;
using testing_support::thrown;
using testing_support::thrownBy;

namespace {

constexpr auto quickPoll = 5ms;
using Turn = BrowserRenderGate::Turn<int>;

TEST(BrowserRenderGate, TurnsNeverOverlapAndEachWaiterGetsItsOwnOutcome) {
    BrowserRenderGate gate(quickPoll);
    std::atomic<int> holding{0}, mostAtOnce{0};
    std::vector<std::future<int>> results;
    for (int render = 0; render < 6; ++render) {
        results.push_back(std::async(std::launch::async, [&, render] {
            auto turn = gate.take<int>({});
            const int now = ++holding;
            mostAtOnce = std::max(mostAtOnce.load(), now);
            std::this_thread::sleep_for(2ms);
            --holding;
            // Delivered from another thread, as the host does.
            std::thread([turn, render] { turn->deliver(render * 10); }).detach();
            return turn->wait(10s, quickPoll, {});
        }));
    }
    for (int render = 0; render < 6; ++render) EXPECT_EQ(results[render].get(), render * 10);
    EXPECT_EQ(mostAtOnce.load(), 1);
}

TEST(BrowserRenderGate, OnlyTheFirstOutcomeCountsAndErrorsComeBackUnchanged) {
    BrowserRenderGate gate(quickPoll);
    auto turn = gate.take<int>({});
    turn->fail(std::make_exception_ptr(ConversionError::decodeFailed("a.svg")));
    turn->deliver(7);
    EXPECT_EQ(thrownBy([&] { turn->wait(1s, quickPoll, {}); }), ConversionError::decodeFailed("a.svg"));
    // The second outcome did not open the gate a second time under a new holder.
    auto next = gate.take<int>({});
    std::atomic<bool> third{false};
    std::thread waiting([&] {
        auto turn = gate.take<int>({});
        third = true;
        turn->deliver(0);
    });
    std::this_thread::sleep_for(30ms);
    EXPECT_FALSE(third.load());
    next->deliver(1);
    waiting.join();
    EXPECT_TRUE(third.load());
}

TEST(BrowserRenderGate, AWaiterThatGivesUpLeavesTheGateHeldUntilDelivery) {
    BrowserRenderGate gate(quickPoll);
    auto turn = gate.take<int>({});
    EXPECT_EQ(thrownBy([&] { turn->wait(1s, quickPoll, {}); }),
              ConversionError::renderFailed(RenderFailure::browserTimedOut(1)));

    std::stop_source cancelled;
    std::thread cancelling([&] {
        std::this_thread::sleep_for(20ms);
        cancelled.request_stop();
    });
    EXPECT_TRUE(thrown<platform::CancellationError>([&] { turn->wait(10s, quickPoll, cancelled.get_token()); }));
    cancelling.join();

    auto next = std::async(std::launch::async, [&] { return gate.take<int>({}); });
    EXPECT_EQ(next.wait_for(50ms), std::future_status::timeout);
    turn->deliver(1);
    next.get()->deliver(2);
}

TEST(BrowserRenderGate, CancellingAWaitForTheGateTakesNoTurn) {
    BrowserRenderGate gate(quickPoll);
    auto holder = gate.take<int>({});
    std::stop_source cancelled;
    auto waiter = std::async(std::launch::async, [&] { return gate.take<int>(cancelled.get_token()); });
    std::this_thread::sleep_for(20ms);
    cancelled.request_stop();
    EXPECT_TRUE(thrown<platform::CancellationError>([&] { waiter.get(); }));
    holder->deliver(1);
    // Free at once: the cancelled waiter holds nothing.
    auto next = std::async(std::launch::async, [&] { return gate.take<int>({}); });
    ASSERT_EQ(next.wait_for(10s), std::future_status::ready);
    next.get()->deliver(2);
}

// A browser render inside an encode job: cancelling the job ends its wait for the gate, and
// the gate stays with its holder.
TEST(WebKitSVGSource, ACancelledJobStopsWaitingForTheBrowser) {
    testing_support::TemporaryFolder folder;
    const auto document = folder.write("drawing.svg", platform::Bytes{'<', 's', 'v', 'g', '/', '>'});
    BrowserRenderGate gate(quickPoll);
    BrowserHost host({});
    const WebKitSVGSource source(document, {10, 10}, {&gate, &host, 10s, quickPoll});

    auto holder = gate.take<WebKitSnapshots>({});
    EncodeExecutor executor(1, "test");
    std::stop_source cancelled;
    auto job = executor.encoding(cancelled.get_token(), [&](std::stop_token) { return source.render(10, 10); });
    std::this_thread::sleep_for(20ms);
    cancelled.request_stop();
    EXPECT_TRUE(thrown<platform::CancellationError>([&] { job.get(); }));
    holder->fail(nullptr);
}

TEST(WebKitSVGSource, RefusesTheMainThreadBeforeAnythingElse) {
    BrowserRenderGate gate(quickPoll);
    BrowserHost host({});
    const WebKitSVGSource source("/nowhere/drawing.svg", {10, 10}, {&gate, &host});
    EXPECT_EQ(thrownBy([&] { source.render(1e9, 1e9); }),
              ConversionError::renderFailed(RenderFailure::browserNeedsBackgroundThread()));
}

} // namespace
