#pragma once
#include <filesystem>
#include <functional>
#include <memory>

namespace pictavo {

// Owns the access to one folder and ends it when the last owner lets go. This application
// is not sandboxed, so the scopes it makes stop nothing; the type keeps the places where
// access begins and ends visible.
class SecurityScope {
public:
    using Stop = std::function<void(const std::filesystem::path&)>;

    SecurityScope(std::filesystem::path path, Stop stop) : path_(std::move(path)), stop_(std::move(stop)) {}
    ~SecurityScope() {
        if (stop_) stop_(path_);
    }
    SecurityScope(const SecurityScope&) = delete;
    SecurityScope& operator=(const SecurityScope&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    Stop stop_;
};

using SharedSecurityScope = std::shared_ptr<SecurityScope>;

} // namespace pictavo
