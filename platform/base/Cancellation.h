#pragma once
#include <exception>
#include <stop_token>
#include <utility>

namespace platform {

// Thrown at the first check after a job's stop token was asked to stop; never a conversion error.
class CancellationError : public std::exception {
public:
    const char* what() const noexcept override { return "The operation was cancelled."; }
};

inline void throwIfCancelled(const std::stop_token& token) {
    if (token.stop_requested()) throw CancellationError();
}

namespace detail {
inline thread_local std::stop_token currentJobStop;
}

// The stop token of the job this thread runs, for code that a job reaches without being
// handed one (a vector source drawing at a job's request); a token that never stops
// outside a job.
inline std::stop_token currentJobStopToken() { return detail::currentJobStop; }

// Makes `token` the current job's for as long as it lives.
class CurrentJobScope {
public:
    explicit CurrentJobScope(std::stop_token token) : outer_(std::exchange(detail::currentJobStop, std::move(token))) {}
    ~CurrentJobScope() { detail::currentJobStop = std::move(outer_); }
    CurrentJobScope(const CurrentJobScope&) = delete;
    CurrentJobScope& operator=(const CurrentJobScope&) = delete;

private:
    std::stop_token outer_;
};

} // namespace platform
