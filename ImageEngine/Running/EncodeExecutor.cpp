#include "ImageEngine/Running/EncodeExecutor.h"

#include "ImageEngine/Running/EncodeConcurrency.h"

#include <algorithm>
#include <atomic>
#include <pthread.h>

namespace pictavo {
namespace {

std::atomic<std::int64_t> running{0};

} // namespace

std::int64_t EncodeExecutor::runningJobs() { return running.load(); }

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

void EncodeExecutor::enqueue(Job job) {
    bool startThread = false;
    {
        std::lock_guard guard(lock_);
        waiting_.push_back(std::move(job));
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
        // Jobs catch what their bodies throw: it lands in their future or their completion.
        ++running;
        job();
        --running;
        guard.lock();
    }
}

} // namespace pictavo
