#pragma once
#include <cstdint>
#include <functional>
#include <vector>

namespace pictavo {

// Processors that no conversion is using at this moment. A conversion whose work splits into
// independent pieces borrows them, so that a lone large file does not leave the machine idle
// while a full batch still runs one thread per conversion. Jobs running on the encode
// executors and every open loan count as busy, against the engine's width: borrowing never
// puts more threads to conversion work than the engine would run conversions, and the
// processors the width leaves to the rest of the system stay theirs.
class SpareProcessors {
public:
    // Borrows up to `wanted` processors, as many as are spare; they are given back when the
    // loan ends.
    class Loan {
    public:
        explicit Loan(std::int64_t wanted);
        ~Loan();
        Loan(const Loan&) = delete;
        Loan& operator=(const Loan&) = delete;

        std::int64_t count() const { return count_; }

    private:
        std::int64_t count_ = 0;
    };

    // How many processors a loan could have now.
    static std::int64_t available();

    // Runs every task, on the calling thread and on borrowed processors, and returns once all
    // have finished. The first exception a task throws is rethrown here, after the others end.
    static void runSideBySide(const std::vector<std::function<void()>>& tasks);
};

} // namespace pictavo
