#pragma once
#include <QMetaObject>
#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QThreadPool>

#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <utility>

namespace pictavo {

// Two pools of the process, both never destroyed (their threads may still be busy when the
// application object goes): one small pool for file-system work (discovery, stamps,
// snapshots), kept apart so that it never queues behind conversions, and one whose threads
// only wait for the engine's futures, so that no thread of the encode executor is ever
// spent waiting.
QThreadPool& fileWorkPool();
QThreadPool& futureWaitingPool();

// Runs `work` on the main thread through its event loop, unless the context has gone by
// then. Safe from any thread: the context is only looked at on the main thread (the pointer
// must have been taken there).
template <typename Work>
void postTo(QPointer<QObject> context, Work work) {
    QCoreApplication* application = QCoreApplication::instance();
    if (!application) return;
    QMetaObject::invokeMethod(
        application,
        [context = std::move(context), work = std::move(work)]() mutable {
            if (context) work();
        },
        Qt::QueuedConnection);
}

// Runs `work` on a thread of the pool.
inline void runInBackground(QThreadPool& pool, std::function<void()> work) { pool.start(std::move(work)); }

// The future the call returns, or one that holds what the call threw: a conversion that
// fails to start is handled like one that fails on its way.
template <typename Value, typename Call>
std::future<Value> futureOf(Call call) {
    try {
        return call();
    } catch (...) {
        std::promise<Value> failed;
        failed.set_exception(std::current_exception());
        return failed.get_future();
    }
}

// Waits for the future on a waiting thread, turns its value or exception into a message
// there with `settle` (which must be safe on any thread), and hands the message to
// `deliver` on the main thread, unless the context (a main-thread object) has gone by then.
template <typename Value, typename Settle, typename Deliver>
void deliverWhenReady(std::future<Value> future, QObject* context, Settle settle, Deliver deliver) {
    auto shared = std::make_shared<std::future<Value>>(std::move(future));
    runInBackground(futureWaitingPool(), [shared, context = QPointer<QObject>(context), settle = std::move(settle), deliver = std::move(deliver)] {
        shared->wait();
        auto message = std::make_shared<decltype(settle(*shared))>(settle(*shared));
        postTo(context, [message, deliver] { deliver(std::move(*message)); });
    });
}

} // namespace pictavo
