#pragma once
#include <cstdint>
#include <optional>

namespace platform {

// How many threads a library that divides its own work (an encoder's worker pool) may run
// for one call. On its own the platform leaves each library to its default; the program
// installs a lender of its own (the engine lends the processors no conversion is using, so
// that a full batch keeps one thread per conversion while a lone large image spreads out).
class LibraryThreads {
public:
    using Borrow = std::int64_t (*)(std::int64_t wanted); // gives how many were lent, at most `wanted`
    using GiveBack = void (*)(std::int64_t count);

    // Installed once, before any call; null for either restores the libraries' defaults.
    static void install(Borrow borrow, GiveBack giveBack);

    // Threads held for one call until the lease ends: the calling thread and up to
    // `wantedHelpers` more.
    class Lease {
    public:
        explicit Lease(std::int64_t wantedHelpers);
        ~Lease();
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;

        // None when no lender is installed: the library keeps its own default.
        std::optional<std::int64_t> threads() const;

    private:
        GiveBack giveBack_ = nullptr;
        std::int64_t helpers_ = 0;
    };
};

} // namespace platform
