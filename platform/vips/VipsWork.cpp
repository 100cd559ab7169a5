#include "platform/vips/VipsWork.h"

#include "platform/vips/VipsRuntime.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vips/vips.h>

namespace platform {
namespace {

struct Gate {
    std::mutex lock;
    std::condition_variable changed;
    // Pieces of work inside libvips now.
    int running = 0;
    // Every piece that has started, so that one can tell whether another started after it.
    std::uint64_t started = 0;
    // A failed piece runs again alone, or waits for those running to end; no other starts.
    bool alone = false;
};

Gate& gate() {
    static Gate shared;
    return shared;
}

// What libvips said, taken from its buffer and cleared there, as one line after "libvips: ";
// empty when it said nothing. Called with the gate locked and no other work running.
std::string takeVipsError() {
    char* copied = vips_error_buffer_copy();
    std::string text = copied ? copied : "";
    g_free(copied);
    vips_error_clear();
    // One message a line, each ending in a newline.
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            if (!line.empty() && line.back() != ' ') line += "; ";
        } else {
            line += c;
        }
    }
    while (!line.empty() && (line.back() == ' ' || line.back() == ';')) line.pop_back();
    return line.empty() ? std::string() : "libvips: " + line;
}

// Counts a piece of work out however it ends, even by an exception, with the gate locked
// again, so that one waiting to run alone is never held for ever.
struct Leaving {
    Gate& shared;
    std::unique_lock<std::mutex>& held;
    bool endsRunningAlone;
    ~Leaving() {
        if (!held.owns_lock()) held.lock();
        --shared.running;
        if (endsRunningAlone) shared.alone = false;
        shared.changed.notify_all();
    }
};

// Runs the work with the gate open; the gate is locked on entry and again on return.
bool runOpen(Gate& shared, std::unique_lock<std::mutex>& held, bool alone, const std::function<bool()>& work) {
    ++shared.started;
    ++shared.running;
    Leaving leaving{shared, held, alone};
    held.unlock();
    return work();
}

} // namespace

std::string runVipsWork(const std::function<bool()>& work) {
    if (!startVips()) return {};
    Gate& shared = gate();
    std::unique_lock held(shared.lock);
    shared.changed.wait(held, [&] { return !shared.alone; });
    // Words left by work that succeeded, or by libvips' own start, belong to no failure.
    if (shared.running == 0) vips_error_clear();
    const bool othersWereRunning = shared.running > 0;
    const std::uint64_t turn = shared.started + 1;
    if (runOpen(shared, held, false, work)) return {};
    if (!othersWereRunning && shared.started == turn) return takeVipsError();

    shared.changed.wait(held, [&] { return !shared.alone; });
    shared.alone = true;
    shared.changed.wait(held, [&] { return shared.running == 0; });
    vips_error_clear();
    // Nothing else runs until this run has ended and its words are taken.
    return runOpen(shared, held, true, work) ? std::string() : takeVipsError();
}

} // namespace platform
