#include "app/export/PrivateTemporaryFolder.h"

#include "platform/files/PrivateFolder.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <QUuid>

#include <sys/stat.h>
#include <unistd.h>

namespace pictavo {

namespace fs = std::filesystem;

namespace {

fs::path pathOf(const QString& text) { return fs::path(QFile::encodeName(text).toStdString()); }

// The runtime folder the session gave this user, when it is one.
std::optional<fs::path> runtimeFolder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.isEmpty() || runtime.front() != '/') return std::nullopt;
    struct stat status {};
    if (::lstat(runtime.constData(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::geteuid()) {
        return std::nullopt;
    }
    return fs::path(runtime.toStdString());
}

} // namespace

fs::path privateTemporaryBase() {
    QString name = QCoreApplication::applicationName();
    if (name.isEmpty()) name = QStringLiteral("pictavo");
    fs::path base;
    if (const auto runtime = runtimeFolder()) {
        base = *runtime / pathOf(name);
    } else {
        base = pathOf(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)) / "tmp";
    }
    platform::ensurePrivateFolder(base);
    return base;
}

fs::path makePrivateTemporaryFolder(const QString& prefix) {
    const fs::path folder =
        privateTemporaryBase() / pathOf(prefix + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    platform::createPrivateFolder(folder);
    return folder;
}

} // namespace pictavo
