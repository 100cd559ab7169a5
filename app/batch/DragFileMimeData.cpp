#include "app/batch/DragFileMimeData.h"

#include <QFile>
#include <QVariant>

namespace pictavo {

namespace {

const QString uriList = QStringLiteral("text/uri-list");

} // namespace

DragFileMimeData::DragFileMimeData(std::shared_future<std::filesystem::path> file, std::chrono::milliseconds wait)
    : file_(std::move(file)), wait_(wait) {}

QStringList DragFileMimeData::formats() const { return {uriList}; }

bool DragFileMimeData::hasFormat(const QString& mimeType) const { return mimeType == uriList; }

const QList<QUrl>& DragFileMimeData::fileUrls() const {
    if (urls_) return *urls_;
    urls_.emplace();
    if (file_.valid() && file_.wait_for(wait_) == std::future_status::ready) {
        try {
            urls_->append(QUrl::fromLocalFile(QFile::decodeName(file_.get().c_str())));
        } catch (const std::exception&) {
            // The drop gets nothing; the window shows nothing either.
        }
    }
    return *urls_;
}

QVariant DragFileMimeData::retrieveData(const QString& mimeType, QMetaType type) const {
    if (mimeType != uriList) return {};
    const QList<QUrl>& urls = fileUrls();
    if (urls.isEmpty()) return {};
    if (type.id() == QMetaType::QByteArray) {
        QByteArray text;
        for (const QUrl& url : urls) text += url.toEncoded() + "\r\n";
        return text;
    }
    QVariantList list;
    for (const QUrl& url : urls) list.append(url);
    return list;
}

} // namespace pictavo
