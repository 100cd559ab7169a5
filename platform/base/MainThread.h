#pragma once

namespace platform {

// True on the process's first thread, the one main() runs on and the application's
// interface thread. Work that blocks for long (waiting for the browser renderer) refuses
// to run there.
bool isMainThread();

// Stops the process when called from any other thread: the application's stores and
// windows belong to the interface thread, and a call from elsewhere would corrupt them.
void assertMainThread();

} // namespace platform
