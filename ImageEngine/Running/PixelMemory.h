#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>

namespace pictavo {

// The bytes that the decoded pictures of conversions running side by side may hold together.
// A conversion holds what its decoded picture takes for as long as it runs. One that fits
// beside what is held takes its bytes at once; one that does not waits, and so do all that
// come after it, until enough is given back: a picture larger than one conversion's share
// runs with the others held back, instead of beside them. Waiting is first come, first served,
// and a holder never asks again, so every wait ends when the conversions ahead of it end.
// An ask that goes first (a small picture's preview, which a card waits for) is served before
// every conversion waiting, though never beyond the capacity: it waits only for room, not for
// the conversions queued before it. Such asks come one at a time, so the others still end.
//
// Thread rule: any thread.
class PixelMemory {
public:
    enum class Precedence {
        inTurn, // first come, first served
        first,  // before every ask in turn, after those that went first before it
    };

    // What one conversion holds; given back when the last copy goes.
    class Hold {
    public:
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        std::uint64_t bytes() const { return bytes_; }

    private:
        friend class PixelMemory;
        Hold(std::shared_ptr<PixelMemory> memory, std::uint64_t bytes) : memory_(std::move(memory)), bytes_(bytes) {}
        std::shared_ptr<PixelMemory> memory_;
        std::uint64_t bytes_;
    };
    using HoldRef = std::shared_ptr<const Hold>;

    explicit PixelMemory(std::uint64_t capacity) : capacity_(capacity) {}
    // The process's own: as many conversions' shares as run at once on this machine.
    static const std::shared_ptr<PixelMemory>& shared();

    std::uint64_t capacity() const { return capacity_; }
    std::uint64_t heldBytes() const;
    // The most held at once so far: what a batch was counted at, beside what it really took.
    std::uint64_t mostHeldBytes() const;
    // Asks waiting at this moment.
    std::int64_t waiting() const;

    // The bytes held now, when they fit beside what is held and nobody waits before this ask;
    // none otherwise. Never waits. None too for more than the capacity.
    static HoldRef tryHold(const std::shared_ptr<PixelMemory>& memory, std::uint64_t bytes,
                           Precedence precedence = Precedence::inTurn);
    // The bytes held once they fit, after every ask served before this one. Throws
    // platform::CancellationError when `stop` is asked to stop while it waits, and
    // std::length_error for more than the capacity, which would never fit.
    static HoldRef hold(const std::shared_ptr<PixelMemory>& memory, std::uint64_t bytes, std::stop_token stop,
                        Precedence precedence = Precedence::inTurn);
    // The bytes held now, before those waiting and beyond the capacity if need be: for a short
    // read small enough that the process may hold it over the bound, and that the asks after it
    // must still see. Never waits.
    static HoldRef holdAtOnce(const std::shared_ptr<PixelMemory>& memory, std::uint64_t bytes);
    // Two holds kept and given back as one; it shows the second's bytes. Either may be none.
    static HoldRef joined(HoldRef first, HoldRef second);

private:
    void giveBack(std::uint64_t bytes);
    // Called with the lock held.
    void take(std::uint64_t bytes);
    // Called with the lock held: what is held, and none of it beyond the capacity.
    bool fitsBeside(std::uint64_t bytes) const { return held_ <= capacity_ && bytes <= capacity_ - held_; }

    const std::uint64_t capacity_;
    mutable std::mutex lock_;
    std::condition_variable_any changed_;
    std::uint64_t held_ = 0;
    std::uint64_t mostHeld_ = 0;
    struct Ask {
        std::uint64_t ticket;
        Precedence precedence;
    };
    // Called with the lock held: whether an ask of this precedence would wait behind another.
    bool anyWaitingBefore(Precedence precedence) const;

    // The asks waiting in the order they are served: those that go first, oldest first, then
    // those in turn, oldest first.
    std::deque<Ask> queue_;
    std::uint64_t nextTicket_ = 0;
};

} // namespace pictavo
