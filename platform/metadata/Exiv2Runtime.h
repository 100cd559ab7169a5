#pragma once

#include <mutex>

namespace platform {

// exiv2 readied once for this process (its messages silenced: a damaged block shows in the
// caller's result, not on standard error; its XMP toolkit started, with the xmpNote namespace
// known) and held for the caller alone. The XMP toolkit under exiv2 keeps state of its own
// for the whole process, beyond the namespace registry that exiv2 lets a caller lock, so two
// conversions that parse or write metadata at once corrupt each other's packets. Every use of
// exiv2 holds this for as long as it works on metadata, and no longer: pixel work never waits.
// Not reentrant: a holder does not take it again.
[[nodiscard]] std::unique_lock<std::mutex> exiv2Exclusively();

} // namespace platform
