#pragma once
#include <exception>
#include <stop_token>

namespace platform {

// Thrown at the first check after a job's stop token was asked to stop; never a conversion error.
class CancellationError : public std::exception {
public:
    const char* what() const noexcept override { return "The operation was cancelled."; }
};

inline void throwIfCancelled(const std::stop_token& token) {
    if (token.stop_requested()) throw CancellationError();
}

} // namespace platform
