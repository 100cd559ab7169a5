#include "ShellTesting.h"

#include "ImageEngine/Decoding/DecoderRegistry.h"
#include "platform/types/FormatFacts.h"
#include "app/shell/FileArguments.h"
#include "app/shell/OpenedFiles.h"
#include "app/shell/SingleInstance.h"

#include <QDate>
#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QRegularExpression>
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

// The software centre's entry as the build fills it in for cmake --install.
QString builtMetainfo() { return QStringLiteral(PICTAVO_BINARY_DIR "/app/com.brackwen.pictavobyfenwid.metainfo.xml"); }

QString readText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly | QIODevice::Text) ? QString::fromUtf8(file.readAll()) : QString();
}

// A file manager offers the application for a file by the type the system's MIME database gives
// the file's name: the entry lists that type, by its own name and not an alias, for every name
// the decoders read, and no type the database does not know. Of the types a name is given, the
// one of the format's own kind counts (".jpx" is also a JBuilder project).
TEST(DesktopEntry, ListsTheSystemsTypeOfEveryFileTheDecodersReadAndValidates) {
    // Read by hand: QSettings takes ";" for the start of a comment.
    QStringList listed;
    QString exec;
    for (const QString& line : readText(installFile(QStringLiteral("com.brackwen.pictavobyfenwid.desktop"))).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("MimeType="))) listed = line.mid(9).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        if (line.startsWith(QLatin1String("Exec="))) exec = line.mid(5);
    }
    EXPECT_EQ(exec, QStringLiteral("pictavo %F"));
    const QMimeDatabase system;
    ASSERT_TRUE(system.mimeTypeForName(QStringLiteral("image/x-nikon-nrw")).isValid()) << "no shared-mime-info";
    const DecoderRegistry decoders = DecoderRegistry::standard();
    std::set<QString> wanted;
    for (const platform::FormatFacts& row : platform::formatTable()) {
        if (!row.mimeType) continue;
        const QString kind = QString::fromLatin1(row.mimeType).section(QLatin1Char('/'), 0, 0) + QLatin1Char('/');
        for (const char* extension : row.extensions) {
            const QString name = QStringLiteral("x.") + QString::fromLatin1(extension);
            try {
                decoders.decoder(name.toStdString());
            } catch (const std::exception&) {
                continue;
            }
            for (const QMimeType& type : system.mimeTypesForFileName(name)) {
                if (type.name().startsWith(kind)) wanted.insert(type.name());
            }
        }
    }
    const auto joined = [](const std::set<QString>& types) {
        return QStringList(types.begin(), types.end()).join(QLatin1Char(';')).toStdString();
    };
    EXPECT_EQ(joined(std::set<QString>(listed.begin(), listed.end())), joined(wanted));
    for (const QString& type : listed) {
        EXPECT_EQ(system.mimeTypeForName(type).name(), type) << "unknown to the system, or an alias";
    }
    EXPECT_FALSE(listed.contains(QStringLiteral("inode/directory")));

    for (const auto& [tool, arguments] :
         {std::pair{QStringLiteral("desktop-file-validate"), QStringList{installFile(QStringLiteral("com.brackwen.pictavobyfenwid.desktop"))}},
          std::pair{QStringLiteral("appstreamcli"),
                    QStringList{QStringLiteral("validate"), QStringLiteral("--no-net"), builtMetainfo()}}}) {
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

// What a software centre shows of the application is true of it: its licence, this version with
// a real date, and no address that leads nowhere.
TEST(SoftwareCentreEntry, NamesTheLicenceThisDatedVersionAndNoPlaceholder) {
    const QString entry = readText(builtMetainfo());
    ASSERT_FALSE(entry.isEmpty()) << builtMetainfo().toStdString();
    EXPECT_TRUE(entry.contains(QLatin1String("<project_license>GPL-3.0-or-later</project_license>")));
    EXPECT_TRUE(readText(QStringLiteral(PICTAVO_SOURCE_DIR "/LICENSE")).contains(QLatin1String("GNU GENERAL PUBLIC LICENSE")));
    const QRegularExpressionMatch release =
        QRegularExpression(QStringLiteral("<release version=\"([^\"]*)\" date=\"([^\"]*)\"")).match(entry);
    ASSERT_TRUE(release.hasMatch());
    EXPECT_EQ(release.captured(1), QStringLiteral(PICTAVO_VERSION));
    const QDate date = QDate::fromString(release.captured(2), Qt::ISODate);
    EXPECT_TRUE(date.isValid()) << release.captured(2).toStdString();
    EXPECT_LE(date, QDate::currentDate().addDays(1)) << "dated in the future";
    EXPECT_FALSE(entry.contains(QRegularExpression(QStringLiteral("@[A-Z_]+@")))) << "a value the build left unfilled";
    EXPECT_FALSE(entry.contains(QLatin1String(".example"))) << "an address that leads nowhere";
}

} // namespace
