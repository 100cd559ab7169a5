#pragma once
#include <string>

namespace platform {

// Starts libvips once per process, as every user of it in this program needs it: the
// operation cache off (a file replaced on disk must never come back as its old pixels),
// one worker thread per operation (the engine runs several conversions side by side), and
// every loader blocked but an allow-list of the formats this program reads. Safe to call from any thread
// any number of times; false when libvips could not start.
bool startVips();

// What libvips said of the last failures, taken from its error buffer and cleared there, as
// one line after "libvips: "; empty when it said nothing. The buffer is the process's, so a
// failure on another thread at the same moment may add its words or take these.
std::string takeVipsError();

} // namespace platform
