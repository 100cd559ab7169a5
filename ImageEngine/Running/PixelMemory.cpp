#include "ImageEngine/Running/PixelMemory.h"

#include "ImageEngine/Running/EncodeConcurrency.h"
#include "platform/base/Cancellation.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace pictavo {

namespace {

thread_local PixelMemory::LendingWhileWaiting* lendingOfThisThread = nullptr;

} // namespace

PixelMemory::LendingWhileWaiting::LendingWhileWaiting(std::function<void()> lend, std::function<void()> takeBack)
    : lend_(std::move(lend)), takeBack_(std::move(takeBack)), outer_(lendingOfThisThread) {
    lendingOfThisThread = this;
}

PixelMemory::LendingWhileWaiting::~LendingWhileWaiting() { lendingOfThisThread = outer_; }

const std::shared_ptr<PixelMemory>& PixelMemory::shared() {
    static const std::shared_ptr<PixelMemory> memory = [] {
        const auto width = static_cast<std::uint64_t>(std::max<std::int64_t>(EncodeConcurrency::width(), 1));
        const auto share = static_cast<std::uint64_t>(std::max<std::int64_t>(EncodeConcurrency::pixelBudget(), 0));
        return std::make_shared<PixelMemory>(width * share, keptForPreviews);
    }();
    return memory;
}

PixelMemory::Hold::~Hold() { memory_->giveBack(bytes_); }

std::uint64_t PixelMemory::heldBytes() const {
    const std::lock_guard guard(lock_);
    return held_;
}

std::uint64_t PixelMemory::mostHeldBytes() const {
    const std::lock_guard guard(lock_);
    return mostHeld_;
}

std::int64_t PixelMemory::waiting() const {
    const std::lock_guard guard(lock_);
    return static_cast<std::int64_t>(queue_.size());
}

bool PixelMemory::anyWaitingBefore(Precedence precedence) const {
    return precedence == Precedence::inTurn && !queue_.empty();
}

PixelMemory::HoldRef PixelMemory::tryHold(const std::shared_ptr<PixelMemory>& memory, std::uint64_t bytes,
                                          Precedence precedence) {
    {
        const std::lock_guard guard(memory->lock_);
        if (memory->anyWaitingBefore(precedence) || !memory->fitsBeside(bytes, precedence)) return nullptr;
        memory->take(bytes);
    }
    return HoldRef(new Hold(memory, bytes));
}

PixelMemory::HoldRef PixelMemory::hold(const std::shared_ptr<PixelMemory>& memory, std::uint64_t bytes,
                                       std::stop_token stop, Precedence precedence) {
    if (bytes > memory->capacity_) throw std::length_error("more pixel memory than there is");
    std::unique_lock guard(memory->lock_);
    const std::uint64_t ticket = memory->nextTicket_++;
    auto& queue = memory->queue_;
    const auto place = precedence == Precedence::inTurn
                           ? queue.end()
                           : std::find_if(queue.begin(), queue.end(),
                                          [](const Ask& ask) { return ask.precedence == Precedence::inTurn; });
    queue.insert(place, Ask{ticket, precedence});
    const auto isServed = [&] {
        const bool itsTurn = precedence == Precedence::first || queue.front().ticket == ticket;
        return itsTurn && memory->fitsBeside(bytes, precedence);
    };
    // The thread's place is lent out only for a wait that does not end at once.
    const LendingWhileWaiting* const lending = isServed() ? nullptr : lendingOfThisThread;
    if (lending) {
        guard.unlock();
        lending->lend_();
        guard.lock();
    }
    const bool served = memory->changed_.wait(guard, stop, isServed);
    std::erase_if(queue, [&](const Ask& ask) { return ask.ticket == ticket; });
    if (served) memory->take(bytes);
    guard.unlock();
    // The next ask may be served now, or, after one that gave up, the one behind that fits
    // where it did not.
    memory->changed_.notify_all();
    if (lending) lending->takeBack_();
    if (!served) throw platform::CancellationError();
    return HoldRef(new Hold(memory, bytes));
}

PixelMemory::HoldRef PixelMemory::holdAtOnce(const std::shared_ptr<PixelMemory>& memory, std::uint64_t bytes) {
    {
        const std::lock_guard guard(memory->lock_);
        memory->take(bytes);
    }
    return HoldRef(new Hold(memory, bytes));
}

PixelMemory::HoldRef PixelMemory::joined(HoldRef first, HoldRef second) {
    if (!first) return second;
    if (!second) return first;
    const Hold* shown = second.get();
    return HoldRef(std::make_shared<std::pair<HoldRef, HoldRef>>(std::move(first), std::move(second)), shown);
}

void PixelMemory::take(std::uint64_t bytes) {
    held_ += bytes;
    mostHeld_ = std::max(mostHeld_, held_);
}

void PixelMemory::giveBack(std::uint64_t bytes) {
    {
        const std::lock_guard guard(lock_);
        held_ -= bytes;
    }
    changed_.notify_all();
}

} // namespace pictavo
