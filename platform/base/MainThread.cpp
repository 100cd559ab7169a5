#include "platform/base/MainThread.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace platform {

// The first thread's id is the process id.
bool isMainThread() { return ::gettid() == ::getpid(); }

void assertMainThread() {
    if (isMainThread()) return;
    std::fputs("Called off the interface thread: what it would change belongs to that thread alone.\n", stderr);
    std::abort();
}

} // namespace platform
