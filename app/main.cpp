#include "ImageEngine/Pipeline/ConversionEngine.h"
#include "app/batch/ExportedImage.h"
#include "app/desktop/ApplicationIcon.h"
#include "app/desktop/BackgroundWork.h"
#include "app/export/PrivateTemporaryFolder.h"
#include "app/shell/AppIdentity.h"
#include "app/shell/FileArguments.h"
#include "app/shell/FinishingWork.h"
#include "app/shell/PictavoByFenwidApp.h"
#include "app/shell/SingleInstance.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// Qt would abort with a page about platform plugins; one plain line says what is wrong.
bool hasDisplay(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) return true;
    }
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (!hasDisplay(argc, argv)) {
        std::fputs("Pictavo needs a graphical display: no X11 or Wayland display is set (DISPLAY, WAYLAND_DISPLAY).\n",
                   stderr);
        return 1;
    }
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QString::fromLatin1(pictavo::identity::organisationName));
    QApplication::setApplicationName(QString::fromLatin1(pictavo::identity::applicationName));
    QApplication::setApplicationDisplayName(QString::fromLatin1(pictavo::identity::displayName));
    QApplication::setApplicationVersion(QStringLiteral(PICTAVO_VERSION));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(pictavo::identity::applicationId));
    QApplication::setWindowIcon(pictavo::applicationIcon());
    pictavo::limitQtPaintingThreads();

    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("Images or folders to convert."));
    parser.parse(QApplication::arguments());
    const QStringList paths = pictavo::absoluteFilePaths(parser.positionalArguments(), QDir::currentPath());

    // The one engine of the process, handed to everything that converts or asks what can be
    // written; it outlives the window, as conversions still finishing may.
    std::unique_ptr<const pictavo::ConversionEngine> engine;
    int result = 0;
    {
        pictavo::SingleInstance instance(pictavo::SingleInstance::runtimeFolder(),
                                         QString::fromLatin1(pictavo::identity::applicationId) +
                                             QStringLiteral(".sock"));
        if (instance.start(paths) == pictavo::SingleInstance::Outcome::forwarded) return 0;

        // Only the instance that stays clears what earlier drags left: a forwarding launch must
        // not take files from under a running one.
        pictavo::ExportedImage::removeDragsFolder();
        // Snapshots of originals that killed runs left: whole copies, perhaps in memory.
        pictavo::runInBackground(pictavo::fileWorkPool(), [] {
            pictavo::removeUnownedTemporaryFolders(QStringLiteral("replace-"));
        });
        engine = std::make_unique<const pictavo::ConversionEngine>(pictavo::DecoderRegistry::standard(),
                                                                   pictavo::EncoderRegistry::standard(),
                                                                   pictavo::SourceOptimiserRegistry::standard());
        pictavo::PictavoByFenwidApp app(*engine);
        QObject::connect(&instance, &pictavo::SingleInstance::pathsReceived, &application,
                         [&app](const QStringList& received) { app.open(received); });
        app.open(paths);
        result = QApplication::exec();
    }
    // Exported files are written whole before the window goes (a replacement under way is
    // finished first); what is left is background work, and what nobody waits for any more
    // is not waited for.
    if (pictavo::finishWorkStillWanted(QDeadlineTimer(30000)) && !pictavo::unwantedWorkRuns()) return result;
    // A stopped conversion or a preview may still be inside a library, holding gigabytes for
    // seconds. Tearing the process down around it would pull the engine and the libraries'
    // statics from under it, so the process ends here instead, its memory given back at once.
    std::fflush(nullptr);
    std::_Exit(result);
}
