#include "app/shell/DesktopShellServices.h"

#include "app/batch/BatchStore.h"
#include "app/design/DSFocusRing.h"
#include "app/desktop/AlertBox.h"
#include "app/preferences/AboutDialog.h"
#include "app/shell/AppIdentity.h"

#include <QApplication>
#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QPointer>
#include <QPushButton>

namespace pictavo {

namespace {

QUrl urlOf(const std::filesystem::path& path) { return QUrl::fromLocalFile(QFile::decodeName(path.c_str())); }

// A warning whose title reads the same in its title bar and above its message.
void warn(AlertBox& box, const QString& title, const QString& message) {
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(title);
    box.setText(title);
    box.setInformativeText(message);
}

// Shows the box until it is answered. The style's own focus frame on its buttons is a hairline
// hardly darker than the box, so they wear the keyboard ring the window's controls wear.
void ask(AlertBox& box) {
    for (QAbstractButton* button : box.buttons()) DSFocusRing::follow(button, DSFocusRing::Shape::rounded(3));
    box.exec();
}

} // namespace

QList<QUrl> DesktopShellServices::chooseImages(QWidget* parent, const QStringList& nameFilters) {
    QFileDialog dialog(parent, QStringLiteral("Choose images to convert."));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(nameFilters);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Add"));
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedUrls();
}

QList<QUrl> DesktopShellServices::chooseFolderOfImages(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Choose images to convert."));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Add"));
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedUrls();
}

bool DesktopShellServices::confirmReplace(QWidget* parent) {
    AlertBox box(parent);
    warn(box, QStringLiteral("Replace the originals?"),
         QStringLiteral("Nothing is deleted: originals go to the Trash, so this is always undoable."));
    QPushButton* replace = box.addButton(QStringLiteral("Replace"), QMessageBox::DestructiveRole);
    // Return must not send the originals to the Trash.
    box.setDefaultButton(box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole));
    ask(box);
    return box.clickedButton() == replace;
}

bool DesktopShellServices::offerToChooseFolder(QWidget* parent, DestinationUnavailable reason) {
    AlertBox box(parent);
    warn(box, title(reason), alertMessage(reason));
    QPushButton* choose = box.addButton(QStringLiteral("Choose Folder\u2026"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(choose);
    ask(box);
    return box.clickedButton() == choose;
}

bool DesktopShellServices::confirmQuitDuringExport(QWidget* parent, BatchStore& store) {
    const QPointer<BatchStore> run(&store);
    if (!store.isExporting()) return true;
    AlertBox box(parent);
    warn(box, QStringLiteral("Stop exporting and quit?"),
         QStringLiteral("Files being written are finished first. Images not exported yet stay as they are."));
    QPushButton* quit = box.addButton(QStringLiteral("Quit"), QMessageBox::DestructiveRole);
    QPushButton* keep = box.addButton(QStringLiteral("Keep Exporting"), QMessageBox::RejectRole);
    box.setDefaultButton(keep);
    // Once the run has ended there is nothing left to stop or to keep.
    QObject::connect(&store, &BatchStore::isExportingChanged, &box, [&box](bool exporting) {
        if (!exporting) box.done(QMessageBox::Cancel);
    });
    ask(box);
    return box.clickedButton() == quit || !run || !run->isExporting();
}

void DesktopShellServices::showAbout(QWidget* parent) { AboutDialog::open(parent); }

void DesktopShellServices::reveal(const std::vector<std::filesystem::path>& files) {
    if (files.empty()) return;
    QStringList uris;
    for (const auto& file : files) uris.append(urlOf(file).toString(QUrl::FullyEncoded));
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << uris << QString();
    const QDBusMessage answer = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
    if (answer.type() == QDBusMessage::ReplyMessage) return;
    // No file manager answers on the bus: its folder at least.
    QDesktopServices::openUrl(urlOf(files.front().parent_path()));
}

void DesktopShellServices::openWebPage(const QUrl& url) { QDesktopServices::openUrl(url); }

void DesktopShellServices::copyText(const QString& text) { QGuiApplication::clipboard()->setText(text); }

} // namespace pictavo
