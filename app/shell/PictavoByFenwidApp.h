#pragma once
#include "app/desktop/FileDialogFolderAsker.h"
#include "app/export/DestinationStore.h"
#include "app/export/PathBookmarks.h"
#include "app/export/WorkingFileSweep.h"
#include "app/settings/SettingsStore.h"
#include "app/settings/SettingsUserDefaults.h"
#include "app/shell/ApplicationPalette.h"
#include "app/shell/DesktopShellServices.h"
#include "app/shell/OpenedFiles.h"

#include <QStringList>

#include <memory>

namespace pictavo {

class ConversionEngine;
class MainWindow;

// What lives as long as the process: the user's settings and destination stores over one
// preferences file, the files handed over from outside, and the main window, which converts
// with the engine made at start-up. Closing the main window ends the application; there is
// nothing left to bring it back from.
class PictavoByFenwidApp {
public:
    explicit PictavoByFenwidApp(const ConversionEngine& engine);
    ~PictavoByFenwidApp();

    OpenedFiles& openedFiles() { return openedFiles_; }
    MainWindow& mainWindow() { return *window_; }
    // Files from the command line or a later launch: queued for the window, which is raised.
    void open(const QStringList& paths);

private:
    // Before any widget, so that the first one already draws in the theme's appearance.
    ApplicationPalette palette_;
    SettingsUserDefaults defaults_;
    PathBookmarks bookmarks_;
    FileDialogFolderAsker folderAsker_;
    SettingsStore settings_{defaults_};
    DestinationStore destinations_{defaults_, bookmarks_, folderAsker_};
    WorkingFileSweep workingFiles_{defaults_};
    OpenedFiles openedFiles_;
    DesktopShellServices services_;
    std::unique_ptr<MainWindow> window_;
};

} // namespace pictavo
