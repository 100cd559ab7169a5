#include "app/shell/OpenedFiles.h"

namespace pictavo {

void OpenedFiles::append(const QList<QUrl>& urls) {
    pending_.append(urls);
    Q_EMIT pendingChanged();
}

void OpenedFiles::setPending(const QList<QUrl>& urls) {
    if (urls == pending_) return;
    pending_ = urls;
    Q_EMIT pendingChanged();
}

} // namespace pictavo
