#pragma once
#include <QMetaObject>
#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QThreadPool>

#include <functional>
#include <utility>

namespace pictavo {

// The small pool of the process for file-system work (discovery, stamps, snapshots, dragged
// files), kept apart so that it never queues behind conversions; never destroyed, since its
// threads may still be busy when the application object goes. Conversions need no pool
// here: the engine's executor hands their results over when they are done.
//
// Thread rule: any thread.
QThreadPool& fileWorkPool();

// One thread for replacing originals: each replacement (two reads of the whole original and
// its move to the Trash) and the removal of each snapshot, in the order they were asked, so
// that the window answers meanwhile and no two replacements ever overlap. Never destroyed,
// like the file-work pool.
//
// Thread rule: any thread.
QThreadPool& replacingWorkPool();

// Qt 6.4 splits large fills, image conversions and smooth scaling over its global pool, a
// thread per processor, and the main thread waits until the last piece is done. Beside
// conversions that already keep every processor busy that was as many threads again, and a
// paint that waited on the slowest of them. The window draws little that Qt would split (its
// cards copy pictures drawn once), so one helper is enough.
//
// Thread rule: main thread, before the first window shows.
void limitQtPaintingThreads();

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

} // namespace pictavo
