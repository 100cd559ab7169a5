#include "ImageEngine/Running/SpareProcessors.h"

#include "ImageEngine/Running/EncodeConcurrency.h"
#include "ImageEngine/Running/EncodeExecutor.h"
#include "platform/pixels/BandRunner.h"
#include "platform/pixels/LibraryThreads.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

namespace pictavo {
namespace {

std::atomic<std::int64_t> lent{0};

// Takes up to `wanted` of the processors that are spare, atomically, so two conversions
// asking at once never both get the last one. The width is read once.
std::int64_t borrow(std::int64_t wanted) {
    if (wanted <= 0) return 0;
    const std::int64_t width = EncodeConcurrency::width();
    std::int64_t current = lent.load();
    for (;;) {
        const std::int64_t spare = width - EncodeExecutor::runningJobs() - current;
        const std::int64_t granted = std::clamp<std::int64_t>(spare, 0, wanted);
        if (granted == 0) return 0;
        if (lent.compare_exchange_weak(current, current + granted)) return granted;
    }
}

void giveBack(std::int64_t count) { lent -= count; }

// The platform's draws split into bands, and its encoders' worker pools; wherever the engine
// is linked, they borrow spare processors like every other piece of a conversion instead of
// a thread each.
[[maybe_unused]] const bool platformBorrows = [] {
    platform::BandRunner::install(&SpareProcessors::runSideBySide);
    platform::LibraryThreads::install(&borrow, &giveBack);
    return true;
}();

} // namespace

std::int64_t SpareProcessors::available() {
    const std::int64_t busy = EncodeExecutor::runningJobs() + lent.load();
    return std::max<std::int64_t>(0, EncodeConcurrency::width() - busy);
}

SpareProcessors::Loan::Loan(std::int64_t wanted) : count_(borrow(wanted)) {}

SpareProcessors::Loan::~Loan() { giveBack(count_); }

void SpareProcessors::runSideBySide(const std::vector<std::function<void()>>& tasks) {
    if (tasks.empty()) return;
    const Loan loan(static_cast<std::int64_t>(tasks.size()) - 1);

    std::atomic<std::size_t> next{0};
    std::mutex failureLock;
    std::exception_ptr failure;
    const auto work = [&] {
        for (std::size_t task = next++; task < tasks.size(); task = next++) {
            try {
                tasks[task]();
            } catch (...) {
                const std::lock_guard guard(failureLock);
                if (!failure) failure = std::current_exception();
            }
        }
    };

    std::vector<std::thread> helpers;
    for (std::int64_t helper = 0; helper < loan.count(); ++helper) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break; // no thread to be had: the tasks left run here
        }
    }
    work();
    for (auto& helper : helpers) helper.join();
    if (failure) std::rethrow_exception(failure);
}

} // namespace pictavo
