#include "ImageEngine/Running/PixelMemory.h"

#include "platform/base/Cancellation.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using pictavo::PixelMemory;

namespace {

// Whether `count` asks come to wait; false, failing the test, if they never do.
bool waitersReach(const PixelMemory& memory, std::int64_t count) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (memory.waiting() != count) {
        if (std::chrono::steady_clock::now() > giveUp) return false;
        std::this_thread::yield();
    }
    return true;
}

std::future<PixelMemory::HoldRef> holdLater(const std::shared_ptr<PixelMemory>& memory, std::uint64_t bytes,
                                            std::stop_token stop = {},
                                            PixelMemory::Precedence precedence = PixelMemory::Precedence::inTurn) {
    return std::async(std::launch::async, [=] { return PixelMemory::hold(memory, bytes, stop, precedence); });
}

} // namespace

// A picture larger than what is free waits for the others to end, and what comes after it
// waits behind it even when it would fit: the large one is not starved by a stream of small ones.
TEST(PixelMemory, ALargeAskHoldsBackTheAsksAfterItUntilItHasRun) {
    const auto memory = std::make_shared<PixelMemory>(100);
    auto running = PixelMemory::tryHold(memory, 60);
    ASSERT_TRUE(running);
    EXPECT_EQ(memory->heldBytes(), 60u);

    auto large = holdLater(memory, 70);
    ASSERT_TRUE(waitersReach(*memory, 1));
    EXPECT_FALSE(PixelMemory::tryHold(memory, 10)) << "a small ask may not pass the waiting large one";
    auto small = holdLater(memory, 10);
    ASSERT_TRUE(waitersReach(*memory, 2));

    running.reset();
    const auto largeHeld = large.get();
    EXPECT_EQ(largeHeld->bytes(), 70u);
    // The small one fits beside the large one, so it runs too.
    const auto smallHeld = small.get();
    EXPECT_EQ(memory->heldBytes(), 80u);
    EXPECT_EQ(memory->waiting(), 0);
}

TEST(PixelMemory, AWaitEndsWhenItsConversionIsCancelledAndTheNextAskGoesAhead) {
    const auto memory = std::make_shared<PixelMemory>(100);
    const auto running = PixelMemory::tryHold(memory, 50);
    std::stop_source cancel;
    auto large = holdLater(memory, 90, cancel.get_token());
    ASSERT_TRUE(waitersReach(*memory, 1));
    auto small = holdLater(memory, 40);
    ASSERT_TRUE(waitersReach(*memory, 2));

    cancel.request_stop();
    EXPECT_THROW(large.get(), platform::CancellationError);
    const auto smallHeld = small.get();
    EXPECT_EQ(smallHeld->bytes(), 40u);
    EXPECT_EQ(memory->heldBytes(), 90u);
}

TEST(PixelMemory, MoreThanTheWholeIsNeverHeldAndEveryHoldIsGivenBack) {
    const auto memory = std::make_shared<PixelMemory>(100);
    EXPECT_FALSE(PixelMemory::tryHold(memory, 101));
    EXPECT_THROW(PixelMemory::hold(memory, 101, {}), std::length_error);
    {
        const auto whole = PixelMemory::hold(memory, 100, {});
        EXPECT_FALSE(PixelMemory::tryHold(memory, 1));
    }
    EXPECT_EQ(memory->heldBytes(), 0u);
    EXPECT_EQ(memory->mostHeldBytes(), 100u);
    EXPECT_GT(PixelMemory::shared()->capacity(), 0u);
}

// A preview's ask goes before the conversions waiting, so that it waits for room alone; and
// once the room is there, it is served before them. Another preview that fits is not held
// behind it either.
TEST(PixelMemory, AnAskThatGoesFirstWaitsOnlyForRoomNotForTheAsksInTurn) {
    const auto memory = std::make_shared<PixelMemory>(100);
    auto running = PixelMemory::tryHold(memory, 60);
    auto large = holdLater(memory, 70);
    ASSERT_TRUE(waitersReach(*memory, 1));
    const auto beside = PixelMemory::tryHold(memory, 30, PixelMemory::Precedence::first);
    EXPECT_TRUE(beside) << "it is not held behind the large one";

    std::stop_source giveUp;
    auto preview = holdLater(memory, 50, giveUp.get_token(), PixelMemory::Precedence::first);
    ASSERT_TRUE(waitersReach(*memory, 2));
    EXPECT_TRUE(PixelMemory::tryHold(memory, 1, PixelMemory::Precedence::first)) << "a small one passes the waiting one";
    EXPECT_FALSE(PixelMemory::tryHold(memory, 1)) << "a conversion does not";
    running.reset();
    const bool served = preview.wait_for(std::chrono::minutes(1)) == std::future_status::ready;
    giveUp.request_stop();
    ASSERT_TRUE(served) << "the room went to the large one";
    const auto previewHeld = preview.get();
    EXPECT_EQ(previewHeld->bytes(), 50u);
    EXPECT_EQ(memory->waiting(), 1) << "the large one waits for room beside the preview";
}

// Conversions leave the room kept for previews, so that a photo's preview never waits for
// them to end; one that could only run alone still does.
TEST(PixelMemory, AsksInTurnLeaveTheRoomKeptForThoseThatGoFirstUnlessTheyRunAlone) {
    const auto memory = std::make_shared<PixelMemory>(100, 20);
    {
        const auto alone = PixelMemory::tryHold(memory, 90);
        EXPECT_TRUE(alone) << "nothing else is held";
    }
    auto running = PixelMemory::tryHold(memory, 50);
    ASSERT_TRUE(running);
    EXPECT_FALSE(PixelMemory::tryHold(memory, 40)) << "it would take the kept room";
    auto conversion = holdLater(memory, 40);
    ASSERT_TRUE(waitersReach(*memory, 1));
    auto preview = PixelMemory::tryHold(memory, 40, PixelMemory::Precedence::first);
    EXPECT_TRUE(preview);
    EXPECT_EQ(memory->heldBytes(), 90u);
    running.reset();
    preview.reset();
    EXPECT_EQ(conversion.get()->bytes(), 40u);
}

// A thread waiting for memory lends its place out for the wait alone, and takes it back
// whether the wait ends served or stopped.
TEST(PixelMemory, AThreadLendsItsPlaceOutOnlyWhileItWaits) {
    const auto memory = std::make_shared<PixelMemory>(100);
    std::vector<std::string> events;
    auto running = PixelMemory::tryHold(memory, 60);
    std::stop_source giveUp;
    auto waits = std::async(std::launch::async, [&] {
        const PixelMemory::LendingWhileWaiting lending([&] { events.push_back("lent"); },
                                                       [&] { events.push_back("taken back"); });
        events.push_back("asked");
        { const auto atOnce = PixelMemory::hold(memory, 40, {}); }
        events.push_back("held at once");
        const auto served = PixelMemory::hold(memory, 50, {});
        events.push_back("served");
        EXPECT_THROW(PixelMemory::hold(memory, 80, giveUp.get_token()), platform::CancellationError);
    });
    ASSERT_TRUE(waitersReach(*memory, 1));
    running.reset();
    ASSERT_TRUE(waitersReach(*memory, 1)) << "the second wait begins";
    giveUp.request_stop();
    waits.get();
    EXPECT_EQ(events, (std::vector<std::string>{"asked", "held at once", "lent", "taken back", "served", "lent",
                                                "taken back"}));
}
