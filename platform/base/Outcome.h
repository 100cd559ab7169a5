#pragma once
#include <optional>
#include <string>
#include <utility>

namespace platform {

// A value, or the words of the library that refused to make it. Read like an optional; the
// cause is for diagnostics only (it may be empty when no library said why) and never for
// the user's sentence.
template <typename T>
class Outcome {
public:
    Outcome() = default;
    Outcome(std::nullopt_t) {}
    Outcome(T value) : value_(std::move(value)) {}
    Outcome(std::optional<T> value) : value_(std::move(value)) {}

    static Outcome failure(std::string cause) {
        Outcome outcome;
        outcome.cause_ = std::move(cause);
        return outcome;
    }

    explicit operator bool() const { return value_.has_value(); }
    bool has_value() const { return value_.has_value(); }
    T& operator*() & { return *value_; }
    const T& operator*() const& { return *value_; }
    T&& operator*() && { return std::move(*value_); }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }
    T value_or(T fallback) const& { return value_.value_or(std::move(fallback)); }
    T value_or(T fallback) && { return std::move(value_).value_or(std::move(fallback)); }

    const std::string& cause() const { return cause_; }

    // The value alone, where no one reads the cause.
    operator std::optional<T>() const& { return value_; }
    operator std::optional<T>() && { return std::move(value_); }

private:
    std::optional<T> value_;
    std::string cause_;
};

} // namespace platform
