#include "app/preferences/UpdateNotice.h"

#include "app/desktop/AlertBox.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QPushButton>

namespace pictavo {

void showUpdateCheck(QWidget* parent, const UpdateCheck& check, bool userInitiated) {
    if (!userInitiated && check.result != UpdateCheck::Result::available) return;
    auto* box = new AlertBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // The version comes from the feed, which must never be shown as rich text.
    box->setTextFormat(Qt::PlainText);
    box->setWindowTitle(QStringLiteral("Software Update"));
    switch (check.result) {
    case UpdateCheck::Result::available: {
        box->setText(QStringLiteral("Version %1 is available; you have %2.")
                         .arg(check.version, QCoreApplication::applicationVersion()));
        if (check.page.isValid() && check.page.scheme() == QLatin1String("https")) {
            QPushButton* open = box->addButton(QStringLiteral("Open Download Page"), QMessageBox::AcceptRole);
            const QUrl page = check.page;
            QObject::connect(open, &QPushButton::clicked, [page] { QDesktopServices::openUrl(page); });
        }
        box->addButton(QStringLiteral("Not Now"), QMessageBox::RejectRole);
        break;
    }
    case UpdateCheck::Result::upToDate:
        box->setText(QStringLiteral("You're up to date."));
        box->addButton(QMessageBox::Ok);
        break;
    case UpdateCheck::Result::failed:
        box->setIcon(QMessageBox::Warning);
        box->setText(QStringLiteral("Couldn't look for updates: %1. Nothing was changed.").arg(check.reason));
        box->addButton(QMessageBox::Ok);
        break;
    }
    box->open();
}

} // namespace pictavo
