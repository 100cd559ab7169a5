#pragma once
#include "ImageEngine/Running/JobOutcome.h"
#include "platform/base/Cancellation.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

namespace pictavo {

// Runs synchronous jobs on at most `width` threads at once; jobs that arrive while all of
// them are busy wait and start in the order they arrived. Every conversion and estimate is
// one such job, so however many cards a batch holds, at most `width` hold pixels at a time.
//
// A job's result, or the exception it threw, is handed to its completion on the thread that
// ran it, so nothing has to wait for it; the future forms are for callers that do want to
// wait (tests and benchmarks). Cancelling is the job's own business: it is handed the stop
// token it was submitted with and is expected to call platform::throwIfCancelled at its
// checks. A job cancelled while it waits still runs, and stops with
// platform::CancellationError at its first check.
//
// Never wait on one of these futures from the interface thread: a job can take seconds (a
// browser-drawn SVG waits up to its watchdog for the renderer), and the window would freeze.
//
// Thread rule: any thread.
class EncodeExecutor {
public:
    // A width below 1 is raised to 1. Threads are started as jobs need them, never more
    // than `width`.
    explicit EncodeExecutor(std::int64_t width, std::string label = "encode");
    // Runs what is still waiting, then joins the threads.
    ~EncodeExecutor();
    EncodeExecutor(const EncodeExecutor&) = delete;
    EncodeExecutor& operator=(const EncodeExecutor&) = delete;

    // The one executor of the process, made on first use with the width of that moment.
    // It is never destroyed, so no joinable thread meets the end of the process.
    static EncodeExecutor& shared();

    std::int64_t width() const { return width_; }
    // Jobs running at this moment on every executor of the process.
    static std::int64_t runningJobs();
    // Those of them whose stop has not been asked: jobs whose result somebody still waits for.
    static std::int64_t runningJobsStillWanted();
    const std::string& label() const { return label_; }

    // Runs body(stop) as one job and then done(JobOutcome) on the same thread, before the
    // thread takes another job. `done` must not throw. When no thread can be started for the
    // job, `done` is called at once on the calling thread with that error.
    template <typename Body, typename Done>
    void encoding(std::stop_token stop, Body body, Done done) {
        using Outcome = JobOutcome<std::invoke_result_t<Body&, std::stop_token>>;
        struct Work {
            Body body;
            Done done;
        };
        auto work = std::make_shared<Work>(Work{std::move(body), std::move(done)});
        try {
            enqueue(stop, [work, stop] {
                work->done([&]() -> Outcome {
                    try {
                        const platform::CurrentJobScope job(stop);
                        return Outcome::succeeded(work->body(stop));
                    } catch (...) {
                        return Outcome::failed(std::current_exception());
                    }
                }());
            });
        } catch (...) {
            work->done(Outcome::failed(std::current_exception()));
        }
    }

    // Runs body(stop) as one job and hands back its result.
    template <typename Body>
    auto encoding(std::stop_token stop, Body body) -> std::future<std::invoke_result_t<Body&, std::stop_token>> {
        using Result = std::invoke_result_t<Body&, std::stop_token>;
        auto task = std::make_shared<std::packaged_task<Result()>>([body = std::move(body), stop]() mutable {
            const platform::CurrentJobScope job(stop);
            return body(stop);
        });
        auto future = task->get_future();
        enqueue(stop, [task] { (*task)(); });
        return future;
    }

    // The same, for a job that cannot be cancelled.
    template <typename Body>
    auto encoding(Body body) -> std::future<std::invoke_result_t<Body&>> {
        return encoding(std::stop_token{}, [body = std::move(body)](std::stop_token) mutable { return body(); });
    }

private:
    struct Job {
        std::stop_token stop;
        std::function<void()> run;
    };

    void enqueue(std::stop_token stop, std::function<void()> run);
    void work();

    const std::int64_t width_;
    const std::string label_;
    std::mutex lock_;
    std::condition_variable jobArrived_;
    std::deque<Job> waiting_;
    std::vector<std::thread> threads_;
    std::int64_t idle_ = 0;
    bool stopping_ = false;
};

} // namespace pictavo
