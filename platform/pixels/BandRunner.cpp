#include "platform/pixels/BandRunner.h"

#include <atomic>
#include <system_error>
#include <thread>

namespace platform {
namespace {

std::atomic<BandRunner::Runner> installed{nullptr};

void threadPerBand(const BandRunner::Tasks& tasks) {
    std::vector<std::thread> threads;
    for (std::size_t task = 1; task < tasks.size(); ++task) {
        try {
            threads.emplace_back(tasks[task]);
        } catch (const std::system_error&) { // no thread to be had: run this band here
            tasks[task]();
        }
    }
    if (!tasks.empty()) tasks.front()();
    for (auto& thread : threads) thread.join();
}

} // namespace

void BandRunner::run(const Tasks& tasks) {
    const Runner runner = installed.load();
    (runner ? runner : threadPerBand)(tasks);
}

void BandRunner::install(Runner runner) { installed.store(runner); }

} // namespace platform
