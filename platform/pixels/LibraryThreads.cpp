#include "platform/pixels/LibraryThreads.h"

#include <atomic>

namespace platform {
namespace {

std::atomic<LibraryThreads::Borrow> installedBorrow{nullptr};
std::atomic<LibraryThreads::GiveBack> installedGiveBack{nullptr};

} // namespace

void LibraryThreads::install(Borrow borrow, GiveBack giveBack) {
    const bool both = borrow && giveBack;
    installedBorrow.store(both ? borrow : nullptr);
    installedGiveBack.store(both ? giveBack : nullptr);
}

LibraryThreads::Lease::Lease(std::int64_t wantedHelpers) {
    const Borrow borrow = installedBorrow.load();
    giveBack_ = installedGiveBack.load();
    if (!borrow || !giveBack_) {
        giveBack_ = nullptr;
        return;
    }
    // A lease gives back to the lender it borrowed from.
    helpers_ = wantedHelpers > 0 ? borrow(wantedHelpers) : 0;
}

LibraryThreads::Lease::~Lease() {
    if (giveBack_ && helpers_ > 0) giveBack_(helpers_);
}

std::optional<std::int64_t> LibraryThreads::Lease::threads() const {
    if (!giveBack_) return std::nullopt;
    return 1 + helpers_;
}

} // namespace platform
