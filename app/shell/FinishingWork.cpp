#include "app/shell/FinishingWork.h"

#include "ImageEngine/Running/EncodeExecutor.h"
#include "app/batch/ThumbnailLoader.h"
#include "app/desktop/BackgroundWork.h"

#include <QThread>

#include <algorithm>
#include <climits>

namespace pictavo {

bool finishWorkStillWanted(QDeadlineTimer deadline) {
    // A wanted conversion hands its file to the file pool as it ends, so the pools are asked
    // again after the last of them.
    for (;;) {
        while (EncodeExecutor::runningJobsStillWanted() > 0) {
            if (deadline.hasExpired()) return false;
            QThread::msleep(5);
        }
        for (QThreadPool* pool : {&fileWorkPool(), &ThumbnailLoader::pool()}) {
            if (!pool->waitForDone(static_cast<int>(std::min<qint64>(deadline.remainingTime(), INT_MAX)))) return false;
        }
        if (EncodeExecutor::runningJobsStillWanted() == 0) return true;
    }
}

} // namespace pictavo
