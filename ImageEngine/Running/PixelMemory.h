#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
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
// every conversion waiting, though never beyond the capacity: it waits only for room, neither
// for the conversions queued before it nor for another that goes first. While one waits, no
// ask in turn is served, so the memory drains as the conversions holding it end until it
// fits; such asks are few (one a card in view), so the others still end.
//
// Thread rule: any thread.
class PixelMemory {
public:
    enum class Precedence {
        inTurn, // first come, first served
        first,  // before every ask in turn, as soon as it fits
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

    // Asks in turn leave `keptForFirst` of the capacity to those that go first, unless nothing
    // else is held: no conversion waits for room it could only have alone.
    explicit PixelMemory(std::uint64_t capacity, std::uint64_t keptForFirst = 0)
        : capacity_(capacity), keptForFirst_(keptForFirst) {}
    // The process's own: as many conversions' shares as run at once on this machine, with room
    // kept for a photo's preview, which conversions holding all the rest never hold back.
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

    // While one lives on a thread, an ask of that thread that has to wait lends the thread's
    // place out for the wait: `lend` is called before it and `takeBack` after it, on that
    // thread, outside every lock. A pool of few threads (a lane of previews) then goes on
    // with its other work while one of them waits. The innermost one of a thread is used.
    class LendingWhileWaiting {
    public:
        LendingWhileWaiting(std::function<void()> lend, std::function<void()> takeBack);
        ~LendingWhileWaiting();
        LendingWhileWaiting(const LendingWhileWaiting&) = delete;
        LendingWhileWaiting& operator=(const LendingWhileWaiting&) = delete;

    private:
        friend class PixelMemory;
        const std::function<void()> lend_;
        const std::function<void()> takeBack_;
        LendingWhileWaiting* const outer_;
    };

private:
    // The shared memory's room kept for those that go first: a photo's preview, read at a
    // reduced size, holds some tens of MiB at most.
    static constexpr std::uint64_t keptForPreviews = 64 * 1024 * 1024;

    void giveBack(std::uint64_t bytes);
    // Called with the lock held.
    void take(std::uint64_t bytes);
    // Called with the lock held: what is held, and none of it beyond the capacity, nor, for an
    // ask in turn beside others, in the room kept for those that go first.
    bool fitsBeside(std::uint64_t bytes, Precedence precedence) const {
        if (held_ > capacity_ || bytes > capacity_ - held_) return false;
        return precedence == Precedence::first || held_ == 0 || keptForFirst_ <= capacity_ - held_ - bytes;
    }

    const std::uint64_t capacity_;
    const std::uint64_t keptForFirst_;
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

    // The asks waiting: those that go first, served as each fits, then those in turn, served
    // oldest first.
    std::deque<Ask> queue_;
    std::uint64_t nextTicket_ = 0;
};

} // namespace pictavo
