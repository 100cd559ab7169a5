#include "app/shell/ImportNews.h"

#include "app/shell/MainWindow.h"

#include <QStringList>

namespace pictavo {

namespace {

QString images(std::int64_t count) {
    return count == 1 ? QStringLiteral("1 image") : QStringLiteral("%1 images").arg(count);
}

QString files(std::int64_t count) {
    return count == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(count);
}

} // namespace

QString importNews(const BatchStore::AddResult& result) {
    const std::int64_t there = result.alreadyInBatch;
    const std::int64_t unread = result.skipped;
    if (result.added == 0 && unread >= 1 && there == 0) return MainWindow::nothingReadable;
    QStringList parts;
    if (result.added >= 1) {
        parts << images(result.added) + QStringLiteral(" added");
        if (there >= 1) parts << (there == 1 ? QStringLiteral("1 was already in the batch")
                                             : QStringLiteral("%1 were already in the batch").arg(there));
    } else if (there >= 1) {
        parts << QStringLiteral("Nothing added: ") + images(there) +
                     (there == 1 ? QStringLiteral(" is already in the batch") : QStringLiteral(" are already in the batch"));
    } else {
        // Nothing found, or an import the clearing of the batch overtook: nothing to tell.
        return {};
    }
    if (unread >= 1) parts << files(unread) + QStringLiteral(" could not be read");
    return parts.join(QStringLiteral("; ")) + QLatin1Char('.');
}

} // namespace pictavo
