#pragma once
#include "app/export/DestinationUnavailable.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <filesystem>
#include <vector>

class QWidget;

namespace pictavo {

class BatchStore;

// Everything of the main window that waits on the user or hands work to the desktop: its
// dialogs, the file manager, the browser and the clipboard. Tests give their own answers,
// so no test ever blocks on a modal dialog.
class ShellServices {
public:
    virtual ~ShellServices() = default;

    // Several image files, from a dialog whose button reads "Add"; empty when cancelled.
    virtual QList<QUrl> chooseImages(QWidget* parent, const QStringList& nameFilters) = 0;
    // One folder of images; empty when cancelled.
    virtual QList<QUrl> chooseFolderOfImages(QWidget* parent) = 0;
    // "Replace the originals?": true for "Replace".
    virtual bool confirmReplace(QWidget* parent) = 0;
    // The destination cannot be used: true for "Choose Folder…".
    virtual bool offerToChooseFolder(QWidget* parent, DestinationUnavailable reason) = 0;
    // "Stop exporting and quit?" about the run of `store`: true to quit. The question is
    // only about that run, so it closes by itself once the run ends, and the quit goes ahead.
    virtual bool confirmQuitDuringExport(QWidget* parent, BatchStore& store) = 0;
    virtual void showAbout(QWidget* parent) = 0;
    // Shows the files selected in the file manager, or at least their folder.
    virtual void reveal(const std::vector<std::filesystem::path>& files) = 0;
    virtual void openWebPage(const QUrl& url) = 0;
    virtual void copyText(const QString& text) = 0;
};

} // namespace pictavo
