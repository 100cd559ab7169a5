#include "ShellTesting.h"

#include "ImageEngine/Decoding/DecoderRegistry.h"
#include "app/shell/FileArguments.h"
#include "app/shell/OpenedFiles.h"
#include "app/shell/SingleInstance.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <set>
#include <thread>

#ifndef PICTAVO_SOURCE_DIR
#define PICTAVO_SOURCE_DIR "."
#endif

namespace {

using namespace pictavo;
using namespace shell_testing;

TEST(FileArguments, RelativePathsAndFileURIsBecomeAbsolute) {
    EXPECT_EQ(absoluteFilePaths({QStringLiteral("a.jpg"), QStringLiteral("../b/c.png"), QStringLiteral("/x/./y.tif"),
                                 QStringLiteral("file:///tmp/with%20space.jpg"), QStringLiteral("https://host/z.jpg"),
                                 QStringLiteral("odd:name.jpg"), QString()},
                                QStringLiteral("/home/u/photos")),
              (QStringList{QStringLiteral("/home/u/photos/a.jpg"), QStringLiteral("/home/u/b/c.png"),
                           QStringLiteral("/x/y.tif"), QStringLiteral("/tmp/with space.jpg"),
                           QStringLiteral("/home/u/photos/odd:name.jpg")}));
}

TEST(OpenedFiles, AppendAlwaysTellsAndAnEqualListIsStoredSilently) {
    OpenedFiles files;
    QSignalSpy told(&files, &OpenedFiles::pendingChanged);
    files.append({});
    files.append({QUrl::fromLocalFile(QStringLiteral("/a.jpg"))});
    EXPECT_EQ(told.count(), 2);
    files.setPending({QUrl::fromLocalFile(QStringLiteral("/a.jpg"))});
    EXPECT_EQ(told.count(), 2);
    files.setPending({});
    EXPECT_EQ(told.count(), 3);
}

TEST(SingleInstance, ALaterLaunchHandsItsPathsToTheFirstALeftoverSocketIsReplacedAndNoFolderRunsAlone) {
    testing_support::TemporaryFolder folder;
    const QString where = QString::fromStdString(folder.path().string());
    // A socket file left by an instance that ended does not stop the next one listening.
    QFile(where + QStringLiteral("/app.sock")).open(QIODevice::WriteOnly);
    SingleInstance first(where, QStringLiteral("app.sock"));
    ASSERT_EQ(first.start({}), SingleInstance::Outcome::primary);
    QStringList received;
    QObject::connect(&first, &SingleInstance::pathsReceived, [&](const QStringList& paths) { received = paths; });

    SingleInstance::Outcome secondOutcome = SingleInstance::Outcome::alone;
    std::thread second([&] {
        SingleInstance later(where, QStringLiteral("app.sock"));
        secondOutcome = later.start({QStringLiteral("/photos/a.jpg"), QStringLiteral("relative.jpg"),
                                     QStringLiteral("/photos/b c.png")});
    });
    const bool arrived = eventually([&] { return !received.isEmpty(); });
    second.join();
    ASSERT_TRUE(arrived);
    EXPECT_EQ(secondOutcome, SingleInstance::Outcome::forwarded);
    // Only absolute paths are taken from the socket.
    EXPECT_EQ(received, (QStringList{QStringLiteral("/photos/a.jpg"), QStringLiteral("/photos/b c.png")}));

    // Without a usable folder the application runs alone.
    SingleInstance nowhere(QStringLiteral("/nonexistent/folder"), QStringLiteral("app.sock"));
    EXPECT_EQ(nowhere.start({}), SingleInstance::Outcome::alone);
}

QString installFile(const QString& name) {
    return QStringLiteral(PICTAVO_SOURCE_DIR "/app/shell/install/") + name;
}

TEST(DesktopEntry, ListsEveryTypeTheDecodersReadAndValidates) {
    // Read by hand: QSettings takes ";" for the start of a comment.
    QFile file(installFile(QStringLiteral("com.brackwen.pictavobyfenwid.desktop")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QStringList listed;
    QString exec;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("MimeType="))) listed = line.mid(9).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        if (line.startsWith(QLatin1String("Exec="))) exec = line.mid(5);
    }
    EXPECT_EQ(exec, QStringLiteral("pictavo %F"));
    std::set<QString> wanted;
    for (const auto& type : DecoderRegistry::standard().readableTypes()) {
        if (const auto mime = type.preferredMIMEType()) wanted.insert(QString::fromStdString(*mime));
    }
    const auto joined = [](const std::set<QString>& types) {
        return QStringList(types.begin(), types.end()).join(QLatin1Char(';')).toStdString();
    };
    EXPECT_EQ(joined(std::set<QString>(listed.begin(), listed.end())), joined(wanted));
    EXPECT_FALSE(listed.contains(QStringLiteral("inode/directory")));

    for (const auto& [tool, arguments] :
         {std::pair{QStringLiteral("desktop-file-validate"), QStringList{installFile(QStringLiteral("com.brackwen.pictavobyfenwid.desktop"))}},
          std::pair{QStringLiteral("appstreamcli"),
                    QStringList{QStringLiteral("validate"), QStringLiteral("--no-net"),
                                installFile(QStringLiteral("com.brackwen.pictavobyfenwid.metainfo.xml"))}}}) {
        if (QStandardPaths::findExecutable(tool).isEmpty()) {
            ADD_FAILURE() << tool.toStdString() << " is not installed";
            continue;
        }
        QProcess process;
        process.start(tool, arguments);
        ASSERT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitCode(), 0) << tool.toStdString() << ": " << process.readAllStandardOutput().toStdString()
                                         << process.readAllStandardError().toStdString();
    }
}

} // namespace
