#include "app/shell/SupportPage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace pictavo {

std::optional<QUrl> SupportPage::resolve(const QString& configured, const QString& programFolder,
                                         const QString& sourceReadme) {
    if (!configured.isEmpty()) {
        const QUrl page(configured, QUrl::StrictMode);
        // A mistyped setting would open nothing; the documentation still can be opened.
        if (page.isValid() && !page.isRelative()) return page;
    }
    for (const QString& readme : {installedReadme(programFolder), sourceReadme}) {
        if (readme.isEmpty()) continue;
        const QFileInfo file(readme);
        if (file.isFile() && file.isReadable()) return QUrl::fromLocalFile(file.canonicalFilePath());
    }
    return std::nullopt;
}

QString SupportPage::installedReadme(const QString& programFolder) {
    if (programFolder.isEmpty()) return {};
    return QDir::cleanPath(programFolder + QStringLiteral("/" PCTV_DOC_FROM_PROGRAM "/README.md"));
}

std::optional<QUrl> SupportPage::current() {
    return resolve(QStringLiteral(PCTV_SUPPORT_URL), QCoreApplication::applicationDirPath(),
                   QStringLiteral(PCTV_SOURCE_README));
}

} // namespace pictavo
