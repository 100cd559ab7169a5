#include "app/shell/FinishingWork.h"

#include "ImageEngine/Running/EncodeExecutor.h"
#include "app/batch/ThumbnailLoader.h"
#include "app/desktop/BackgroundWork.h"

#include <QThread>

#include <algorithm>
#include <climits>

namespace pictavo {

bool finishWorkStillWanted(QDeadlineTimer deadline) {
    ThumbnailLoader::dropQueuedPreviews();
    // A wanted conversion hands its file to the file pool as it ends, so the pool is asked
    // again after the last of them.
    for (;;) {
        while (EncodeExecutor::runningJobsStillWanted() > 0) {
            if (deadline.hasExpired()) return false;
            QThread::msleep(5);
        }
        for (QThreadPool* pool : {&replacingWorkPool(), &fileWorkPool()}) {
            if (!pool->waitForDone(static_cast<int>(std::min<qint64>(deadline.remainingTime(), INT_MAX)))) return false;
        }
        if (EncodeExecutor::runningJobsStillWanted() == 0) return true;
    }
}

bool unwantedWorkRuns() {
    return EncodeExecutor::runningJobs() > 0 || ThumbnailLoader::previewsRunning();
}

} // namespace pictavo
