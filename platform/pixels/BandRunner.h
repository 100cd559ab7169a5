#pragma once
#include <functional>
#include <vector>

namespace platform {

// Runs the bands of one draw, each an independent task, and returns once all have finished.
// On its own the platform gives every band a thread; the program replaces that with a rule
// of its own (the engine runs them on processors no conversion is using, so a full batch
// keeps one thread per conversion while a lone large image spreads out). The bands are the
// same either way, so the pixels are too.
class BandRunner {
public:
    using Tasks = std::vector<std::function<void()>>;
    using Runner = void (*)(const Tasks&);

    static void run(const Tasks& tasks);
    // Installed once, before any draw; null restores the thread for every band.
    static void install(Runner runner);
};

} // namespace platform
