#pragma once
#include <functional>
#include <string>

namespace platform {

// libvips keeps one error buffer for the whole process, so the words another conversion's
// failure adds, or a clear another conversion makes, between a failing call and the reading
// of the buffer would give a failure another file's cause, or none. Every piece of libvips
// work whose failure we report, or that may leave words behind, runs through here. Pieces
// run side by side; one that fails with no other piece running at any moment from its start
// to its end takes the buffer's words as its own; one that fails alongside others runs once
// more, alone, once those running have ended and with new ones held back, so that the words
// it leaves then are its own.
//
// `work` returns whether it succeeded and leaves its results where the caller finds them; it
// may run a second time, replacing what the first left. It never runs work through here
// itself. The result is what libvips said of the failure, as one line after "libvips: ";
// empty when the work succeeded or libvips said nothing.
std::string runVipsWork(const std::function<bool()>& work);

} // namespace platform
