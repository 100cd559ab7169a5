#include "app/shell/PictavoByFenwidApp.h"

#include "app/desktop/KeyboardHandBack.h"
#include "app/shell/MainWindow.h"

namespace pictavo {

PictavoByFenwidApp::PictavoByFenwidApp(const ConversionEngine& engine)
    : window_(
          std::make_unique<MainWindow>(settings_, destinations_, openedFiles_, services_, engine, &workingFiles_)) {
    KeyboardHandBack::install();
}

PictavoByFenwidApp::~PictavoByFenwidApp() = default;

void PictavoByFenwidApp::open(const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& path : paths) urls.append(QUrl::fromLocalFile(path));
    if (!urls.isEmpty()) openedFiles_.append(urls);
    window_->showNormal();
    window_->raise();
    window_->activateWindow();
}

} // namespace pictavo
