#include "ImageEngine/Running/EncodeExecutor.h"

#include "ImageEngine/Running/EncodeConcurrency.h"

#include <algorithm>
#include <list>
#include <pthread.h>

namespace pictavo {
namespace {

// The stop tokens of the jobs running on every executor, one entry a job. Never destroyed:
// threads of the leaked shared executor may still run when the process ends.
struct RunningJobs {
    std::mutex lock;
    std::list<std::stop_token> stops;
};

RunningJobs& runningJobList() {
    static RunningJobs* const list = new RunningJobs;
    return *list;
}

} // namespace

std::int64_t EncodeExecutor::runningJobs() {
    RunningJobs& running = runningJobList();
    const std::lock_guard guard(running.lock);
    return static_cast<std::int64_t>(running.stops.size());
}

std::int64_t EncodeExecutor::runningJobsStillWanted() {
    RunningJobs& running = runningJobList();
    const std::lock_guard guard(running.lock);
    return std::count_if(running.stops.begin(), running.stops.end(),
                         [](const std::stop_token& stop) { return !stop.stop_requested(); });
}

EncodeExecutor::EncodeExecutor(std::int64_t width, std::string label)
    : width_(std::max<std::int64_t>(width, 1)), label_(std::move(label)) {}

EncodeExecutor::~EncodeExecutor() {
    {
        std::lock_guard guard(lock_);
        stopping_ = true;
    }
    jobArrived_.notify_all();
    for (auto& thread : threads_) thread.join();
}

EncodeExecutor& EncodeExecutor::shared() {
    // Deliberately leaked: destroying it at exit would join threads that may be busy.
    static EncodeExecutor* const executor =
        new EncodeExecutor(EncodeConcurrency::width(), "com.fenwidapp.pictavobyfenwid.encode");
    return *executor;
}

void EncodeExecutor::enqueue(std::stop_token stop, std::function<void()> run) {
    bool startThread = false;
    {
        std::lock_guard guard(lock_);
        waiting_.push_back(Job{std::move(stop), std::move(run)});
        // A job that finds no idle thread gets a new one while the pool is below its width;
        // otherwise it waits its turn in arrival order.
        if (idle_ < static_cast<std::int64_t>(waiting_.size()) && static_cast<std::int64_t>(threads_.size()) < width_) {
            try {
                threads_.emplace_back([this] { work(); });
                startThread = true;
            } catch (...) {
                // With no thread at all the job would never run: take it back and report.
                if (threads_.empty()) {
                    waiting_.pop_back();
                    throw;
                }
            }
        }
    }
    if (!startThread) jobArrived_.notify_one();
}

void EncodeExecutor::work() {
    // Thread names hold 15 characters: the label's last dotted part is the telling one.
    const std::string name = label_.substr(label_.rfind('.') + 1).substr(0, 15);
    pthread_setname_np(pthread_self(), name.c_str());

    std::unique_lock guard(lock_);
    for (;;) {
        ++idle_;
        jobArrived_.wait(guard, [this] { return stopping_ || !waiting_.empty(); });
        --idle_;
        if (waiting_.empty()) return; // stopping, and nothing left to run
        Job job = std::move(waiting_.front());
        waiting_.pop_front();
        guard.unlock();
        RunningJobs& running = runningJobList();
        std::list<std::stop_token>::iterator entry;
        {
            const std::lock_guard listed(running.lock);
            entry = running.stops.insert(running.stops.end(), job.stop);
        }
        // Jobs catch what their bodies throw: it lands in their future or their completion.
        job.run();
        {
            const std::lock_guard listed(running.lock);
            running.stops.erase(entry);
        }
        guard.lock();
    }
}

} // namespace pictavo
