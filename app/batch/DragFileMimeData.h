#pragma once
#include <QList>
#include <QMimeData>
#include <QUrl>

#include <chrono>
#include <filesystem>
#include <future>
#include <optional>

namespace pictavo {

// What a card dragged out of the window carries: the URL of a file being written while the
// drag goes on. A drop target that asks for it waits (on the main thread, as Qt asks there)
// until the file is written, at most `wait`; a conversion or write that failed, or one not
// done in time, gives no URL, and the drop receives nothing.
class DragFileMimeData : public QMimeData {
    Q_OBJECT

public:
    explicit DragFileMimeData(std::shared_future<std::filesystem::path> file,
                              std::chrono::milliseconds wait = std::chrono::seconds(30));

    QStringList formats() const override;
    bool hasFormat(const QString& mimeType) const override;

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    // Asked once; later requests of the same drag get the same answer.
    const QList<QUrl>& fileUrls() const;

    std::shared_future<std::filesystem::path> file_;
    std::chrono::milliseconds wait_;
    mutable std::optional<QList<QUrl>> urls_;
};

} // namespace pictavo
