#pragma once
#include "app/shell/ShellServices.h"

namespace pictavo {

// The real dialogs, the freedesktop file manager over D-Bus, the default browser and the
// system clipboard.
class DesktopShellServices : public ShellServices {
public:
    QList<QUrl> chooseImages(QWidget* parent, const QStringList& nameFilters) override;
    QList<QUrl> chooseFolderOfImages(QWidget* parent) override;
    bool confirmReplace(QWidget* parent) override;
    bool offerToChooseFolder(QWidget* parent, DestinationUnavailable reason) override;
    bool confirmQuitDuringExport(QWidget* parent, BatchStore& store) override;
    void showAbout(QWidget* parent) override;
    void reveal(const std::vector<std::filesystem::path>& files) override;
    void openWebPage(const QUrl& url) override;
    void copyText(const QString& text) override;
};

} // namespace pictavo
