#pragma once

namespace platform {

// True on the process's first thread, the one main() runs on and the application's
// interface thread. Work that blocks for long (waiting for the browser renderer) refuses
// to run there.
bool isMainThread();

} // namespace platform
