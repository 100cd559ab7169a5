#pragma once

namespace platform {

// Readies exiv2 once per process for every user of it in this program: its messages
// silenced (a damaged block shows in the caller's result, not on standard error) and its
// XMP toolkit started with a lock around the namespace registry, which packets from
// different conversions would otherwise extend at the same time, and with the xmpNote
// namespace known. Safe to call from any thread any number of times.
void startExiv2();

} // namespace platform
