#include "platform/base/MainThread.h"

#include <unistd.h>

namespace platform {

// The first thread's id is the process id.
bool isMainThread() { return ::gettid() == ::getpid(); }

} // namespace platform
