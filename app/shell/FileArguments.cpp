#include "app/shell/FileArguments.h"

#include <QDir>
#include <QRegularExpression>
#include <QUrl>

namespace pictavo {

QStringList absoluteFilePaths(const QStringList& arguments, const QString& workingFolder) {
    // "name:with colon.jpg" is a file; only "file:" and "scheme://" read as URIs.
    static const QRegularExpression uri(QStringLiteral("^(file:|[A-Za-z][A-Za-z0-9+.-]*://)"));
    const QDir base(workingFolder);
    QStringList paths;
    for (const QString& argument : arguments) {
        if (argument.isEmpty()) continue;
        QString path = argument;
        if (uri.match(argument).hasMatch()) {
            const QUrl url(argument);
            if (!url.isLocalFile()) continue;
            path = url.toLocalFile();
        }
        paths.append(QDir::cleanPath(base.absoluteFilePath(path)));
    }
    return paths;
}

} // namespace pictavo
