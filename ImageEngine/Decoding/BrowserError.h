#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

namespace pictavo {

// An error the browser itself reported (a load or a script that failed), passed on as the
// browser worded it: its message is what() and what the user reads.
class BrowserError : public std::runtime_error {
public:
    BrowserError(std::string domain, std::int32_t code, const std::string& message)
        : std::runtime_error(message), domain_(std::move(domain)), code_(code) {}

    const std::string& domain() const { return domain_; }
    std::int32_t code() const { return code_; }

private:
    std::string domain_;
    std::int32_t code_;
};

} // namespace pictavo
