#include "app/preferences/AboutDialog.h"

#include "app/desktop/StartingSize.h"
#include "app/preferences/Acknowledgements.h"
#include "app/preferences/CreditsRuns.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QTextBrowser>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QVBoxLayout>

namespace pictavo {
namespace {

// The small system font size of the credits, in pixels as the design system sets its fonts.
constexpr int smallPixelSize = 11;

QTextCharFormat formatFor(const CreditsRun& run, const QPalette& palette) {
    QTextCharFormat format;
    QFont font = QApplication::font();
    font.setPixelSize(run.style == CreditsRun::Style::finePrint ? smallPixelSize - 1 : smallPixelSize);
    font.setWeight(run.style == CreditsRun::Style::heading ? QFont::DemiBold : QFont::Normal);
    format.setFont(font);
    format.setForeground(run.colour == CreditsRun::Colour::label ? palette.color(QPalette::Text)
                                                                 : palette.color(QPalette::PlaceholderText));
    return format;
}

} // namespace

AboutDialog::AboutDialog(std::vector<Acknowledgement> entries, QWidget* parent)
    : QDialog(parent), entries_(std::move(entries)), credits_(new QTextBrowser(this)) {
    setWindowTitle(QStringLiteral("About Pictavo by Fenwid"));
    auto* icon = new QLabel(this);
    icon->setPixmap(QApplication::windowIcon().pixmap(64, 64));
    icon->setAlignment(Qt::AlignHCenter);
    auto* name = new QLabel(QStringLiteral("Pictavo by Fenwid"), this);
    QFont nameFont = name->font();
    nameFont.setPixelSize(14);
    nameFont.setWeight(QFont::Bold);
    name->setFont(nameFont);
    name->setAlignment(Qt::AlignHCenter);
    QString versionText = QStringLiteral("Version ") + QApplication::applicationVersion();
    auto* version = new QLabel(versionText, this);
    version->setAlignment(Qt::AlignHCenter);
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);

    credits_->setReadOnly(true);
    credits_->setOpenLinks(false);
    credits_->setMinimumSize(420, 260);
    fillCredits();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(icon);
    layout->addWidget(name);
    layout->addWidget(version);
    layout->addWidget(credits_, 1);
    resize(startingSize(QSize(480, 560), this));
}

void AboutDialog::open(QWidget* parent) {
    auto* dialog = new AboutDialog(Acknowledgements::all(), parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

void AboutDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) fillCredits();
}

void AboutDialog::fillCredits() {
    // The browser inherits its palette only after this dialog hears of the change.
    const QPalette palette = this->palette();
    credits_->clear();
    QTextCursor cursor(credits_->document());
    for (const CreditsRun& run : creditsRuns(entries_)) cursor.insertText(run.text, formatFor(run, palette));
    credits_->moveCursor(QTextCursor::Start);
}

} // namespace pictavo
