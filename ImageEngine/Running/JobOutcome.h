#pragma once
#include <exception>
#include <optional>
#include <utility>

namespace pictavo {

// What one job of an executor came to: its value, or what it threw. Handed to the job's
// completion on the thread that ran it.
template <typename Value>
class JobOutcome {
public:
    static JobOutcome succeeded(Value value) { return JobOutcome(std::move(value), nullptr); }
    static JobOutcome failed(std::exception_ptr error) { return JobOutcome(std::nullopt, std::move(error)); }

    // The value, once; or what the job threw, rethrown.
    Value take() {
        if (error_) std::rethrow_exception(error_);
        return std::move(*value_);
    }

private:
    JobOutcome(std::optional<Value> value, std::exception_ptr error)
        : value_(std::move(value)), error_(std::move(error)) {}

    std::optional<Value> value_;
    std::exception_ptr error_;
};

} // namespace pictavo
