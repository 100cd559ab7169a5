#include "app/preferences/AboutDialog.h"

#include "app/design/DSFocusRing.h"
#include "app/design/DSTheme.h"
#include "app/design/DSSecondaryLabel.h"
#include "app/preferences/Acknowledgements.h"
#include "app/preferences/CreditsRuns.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QScreen>
#include <QTextBrowser>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace pictavo {
namespace {

// The small system font size of the credits, in pixels as the design system sets its fonts.
constexpr int smallPixelSize = 11;
constexpr QSize usualSize(480, 560);

QTextCharFormat formatFor(const CreditsRun& run, const QPalette& palette, const QColor& secondary) {
    QTextCharFormat format;
    QFont font = QApplication::font();
    font.setPixelSize(run.style == CreditsRun::Style::finePrint ? smallPixelSize - 1 : smallPixelSize);
    font.setWeight(run.style == CreditsRun::Style::heading ? QFont::DemiBold : QFont::Normal);
    format.setFont(font);
    format.setForeground(run.colour == CreditsRun::Colour::label ? palette.color(QPalette::Text) : secondary);
    return format;
}

} // namespace

QRect fittedGeometry(QSize usual, QSize minimum, QMargins frame, QPoint centre, const QRect& available) {
    const QSize chrome(frame.left() + frame.right(), frame.top() + frame.bottom());
    const QSize size = usual.boundedTo(available.size() - chrome).expandedTo(minimum);
    QRect outer(QPoint(), size + chrome);
    outer.moveCenter(centre);
    // The top-left corner wins when the window cannot fit: the title bar stays in reach.
    outer.moveLeft(std::max(available.left(), std::min(outer.left(), available.right() + 1 - outer.width())));
    outer.moveTop(std::max(available.top(), std::min(outer.top(), available.bottom() + 1 - outer.height())));
    return outer.marginsRemoved(frame);
}

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
    // Reached with Tab, so that a screen reader reads it and it can be copied from the keyboard.
    version->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    version->setFocusPolicy(Qt::StrongFocus);
    DSFocusRing::follow(version, DSFocusRing::Shape::rounded(4));

    credits_->setAccessibleName(QStringLiteral("Credits"));
    credits_->setReadOnly(true);
    credits_->setOpenLinks(false);
    // A caret the keys move, so that a screen reader reads the credits line by line; a
    // browser's own interaction only scrolls them.
    credits_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // Tab leaves the credits, which hold no links to move between.
    credits_->setTabChangesFocus(true);
    // The credits are the one focused object while they have the focus, not their viewport too.
    credits_->viewport()->setFocusProxy(nullptr);
    DSFocusRing::follow(credits_, DSFocusRing::Shape::rounded(4));
    // Small enough for the shortest screens; the credits scroll.
    credits_->setMinimumSize(300, 120);
    fillCredits();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(icon);
    layout->addWidget(name);
    layout->addWidget(version);
    layout->addWidget(credits_, 1);
    setTabOrder(version, credits_);
    // The dialog opens on the version line, the first thing Tab reaches.
    version->setFocus(Qt::OtherFocusReason);
    resize(usualSize);
    // More contrast asked for changes no palette colour the credits are drawn on.
    connect(&DSTheme::shared(), &DSTheme::changed, this, &AboutDialog::fillCredits);
}

void AboutDialog::open(QWidget* parent) {
    auto* dialog = new AboutDialog(Acknowledgements::all(), parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

void AboutDialog::fitInto(const QRect& available) {
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    fittedFrame_ = frame;
    const QPoint centre = parentWidget() ? parentWidget()->window()->frameGeometry().center() : frameGeometry().center();
    const QRect fitted = fittedGeometry(usualSize, minimumSizeHint(), frame, centre, available);
    resize(fitted.size());
    move(fitted.topLeft() - QPoint(frame.left(), frame.top()));
}

void AboutDialog::fitToScreen() {
    QScreen* screen = this->screen();
    if (!screen) return;
    if (screen != watchedScreen_) {
        if (watchedScreen_) disconnect(watchedScreen_, nullptr, this, nullptr);
        watchedScreen_ = screen;
        connect(screen, &QScreen::availableGeometryChanged, this, &AboutDialog::fitToScreen);
    }
    fitInto(screen->availableGeometry());
}

void AboutDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    fitToScreen();
    if (QWindow* handle = windowHandle())
        connect(handle, &QWindow::screenChanged, this, &AboutDialog::fitToScreen, Qt::UniqueConnection);
}

void AboutDialog::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    // The window manager frames the window after it is shown, which moves it; the fit is made
    // again for that frame, once. A move by the user keeps the frame and is left alone.
    if (isVisible() && windowHandle() && windowHandle()->frameMargins() != fittedFrame_) fitToScreen();
}

void AboutDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) fillCredits();
}

void AboutDialog::fillCredits() {
    // The browser inherits its palette only after this dialog hears of the change.
    const QPalette palette = this->palette();
    const QColor secondary = secondaryLabelOver(palette.color(QPalette::Base), DSTheme::shared().appearance());
    // Composed apart and put in as one piece: written run by run into the shown document, each
    // of its hundred and more runs reached a screen reader as an insertion of its own, tens of
    // kilobytes in all, which kept it busy past the dialog's opening.
    QTextDocument composed;
    QTextCursor composing(&composed);
    for (const CreditsRun& run : creditsRuns(entries_)) composing.insertText(run.text, formatFor(run, palette, secondary));
    credits_->clear();
    QTextCursor(credits_->document()).insertFragment(QTextDocumentFragment(&composed));
    credits_->moveCursor(QTextCursor::Start);
}

} // namespace pictavo
