#pragma once

namespace platform {

// Starts libvips once per process, as every user of it in this program needs it: the
// operation cache off (a file replaced on disk must never come back as its old pixels),
// one worker thread per operation (the engine runs several conversions side by side), and
// every loader blocked but an allow-list of the formats this program reads. Safe to call from any thread
// any number of times; false when libvips could not start.
bool startVips();

} // namespace platform
