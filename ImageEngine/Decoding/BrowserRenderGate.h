#pragma once
#include "ImageEngine/Model/ConversionError.h"
#include "platform/base/Cancellation.h"

#include <chrono>
#include <algorithm>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <semaphore>
#include <stop_token>
#include <variant>

namespace pictavo {

// Lets one browser render run at a time in the whole process. A render takes a turn, and the
// turn carries the render's outcome back to the thread that waits for it. The waiting thread
// may give up (time limit, cancellation), but the gate opens only when the outcome is
// delivered, so a new render never starts beside an abandoned one that is still running.
// Whoever takes a turn must make sure that something delivers to it in the end.
class BrowserRenderGate {
public:
    static constexpr std::chrono::milliseconds standardPollInterval{100};

    explicit BrowserRenderGate(std::chrono::milliseconds pollInterval = standardPollInterval)
        : pollInterval_(pollInterval) {}
    BrowserRenderGate(const BrowserRenderGate&) = delete;
    BrowserRenderGate& operator=(const BrowserRenderGate&) = delete;

    // The gate of the process, made on first use and kept to its end.
    static BrowserRenderGate& shared();

    template <typename Value>
    class Turn;

    // Waits, without a time limit, while another turn holds the gate; throws
    // platform::CancellationError when `stop` is asked to stop before the turn is had, and
    // then leaves the gate as it found it.
    template <typename Value>
    std::shared_ptr<Turn<Value>> take(const std::stop_token& stop) {
        {
            std::unique_lock lock(lock_);
            while (held_) {
                if (stop.stop_requested()) throw platform::CancellationError();
                opened_.wait_for(lock, pollInterval_);
            }
            held_ = true;
        }
        if (stop.stop_requested()) {
            open();
            throw platform::CancellationError();
        }
        return std::shared_ptr<Turn<Value>>(new Turn<Value>(*this));
    }

private:
    void open() {
        {
            const std::lock_guard lock(lock_);
            held_ = false;
        }
        opened_.notify_one();
    }

    const std::chrono::milliseconds pollInterval_;
    std::mutex lock_;
    std::condition_variable opened_;
    bool held_ = false;
};

// One render's outcome, delivered once (by whatever drives the render) and waited for by the
// thread that took the turn. Both hold it.
template <typename Value>
class BrowserRenderGate::Turn {
public:
    // The first outcome is kept and opens the gate; later ones are dropped.
    void deliver(Value value) { settle(Outcome(std::in_place_index<0>, std::move(value))); }
    void fail(std::exception_ptr error) { settle(Outcome(std::in_place_index<1>, std::move(error))); }

    bool isDelivered() const {
        const std::lock_guard lock(lock_);
        return outcome_.has_value();
    }

    // The delivered value, or the delivered error rethrown. Throws CancellationError when
    // `stop` is asked to stop, and renderFailed(browserTimedOut) with the whole seconds of
    // `timeout` once it has passed; neither opens the gate.
    Value wait(std::chrono::milliseconds timeout, std::chrono::milliseconds pollInterval, const std::stop_token& stop) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (true) {
            const auto slice = std::min(std::chrono::steady_clock::now() + pollInterval, deadline);
            if (delivered_.try_acquire_until(slice)) break;
            if (stop.stop_requested()) throw platform::CancellationError();
            if (std::chrono::steady_clock::now() >= deadline) {
                throw ConversionError::renderFailed(RenderFailure::browserTimedOut(
                    std::chrono::duration_cast<std::chrono::seconds>(timeout).count()));
            }
        }
        std::optional<Outcome> outcome;
        {
            const std::lock_guard lock(lock_);
            outcome = std::move(outcome_);
        }
        if (!outcome) throw ConversionError::renderFailed(RenderFailure::browserReturnedNothing());
        if (auto* error = std::get_if<std::exception_ptr>(&*outcome)) {
            if (*error) std::rethrow_exception(*error);
            throw ConversionError::renderFailed(RenderFailure::browserReturnedNothing());
        }
        return std::move(std::get<Value>(*outcome));
    }

private:
    using Outcome = std::variant<Value, std::exception_ptr>;
    friend class BrowserRenderGate;
    explicit Turn(BrowserRenderGate& gate) : gate_(gate) {}

    void settle(Outcome outcome) {
        {
            const std::lock_guard lock(lock_);
            if (outcome_) return;
            outcome_ = std::move(outcome);
        }
        delivered_.release();
        gate_.open();
    }

    BrowserRenderGate& gate_;
    mutable std::mutex lock_;
    std::optional<Outcome> outcome_;
    std::binary_semaphore delivered_{0};
};

} // namespace pictavo
