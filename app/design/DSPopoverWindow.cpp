#include "app/design/DSPopoverWindow.h"

#include "app/design/DSPalette.h"
#include "app/design/DSTheme.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>

#include <algorithm>

namespace pictavo {

namespace {

constexpr double arrowInset = 10;

} // namespace

Qt::WindowFlags focusablePanelFlags() { return Qt::Tool | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint; }

DSPopoverWindow::DSPopoverWindow(QWidget* parentWindow, int width, double arrowX, QWidget* content)
    : QWidget(parentWindow, focusablePanelFlags()), arrowX_(arrowX), scrollArea_(new QScrollArea(this)),
      content_(content) {
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedWidth(width);
    scrollArea_->setFrameShape(QFrame::NoFrame);
    scrollArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollArea_->setWidgetResizable(true);
    scrollArea_->viewport()->setAutoFillBackground(false);
    scrollArea_->setWidget(content);
    content->setAutoFillBackground(false);
    content->installEventFilter(this);
    restyleContent();
    connect(&DSTheme::shared(), &DSTheme::changed, this, [this] {
        restyleContent();
        update();
    });
    lastFittingHeight_ = fittingHeight();
}

void DSPopoverWindow::restyleContent() {
    if (!content_) return;
    // Text drawn straight on the panel follows the panel's appearance; controls keep their own
    // backgrounds and text.
    QPalette colours = content_->palette();
    colours.setColor(QPalette::WindowText, palette::primary().current());
    colours.setColor(QPalette::Highlight, palette::DSAccent().current());
    content_->setPalette(colours);
}

int DSPopoverWindow::fittingHeight() const {
    if (!content_) return arrowHeight;
    const int contentWidth = width();
    const int contentHeight =
        content_->hasHeightForWidth() ? content_->heightForWidth(contentWidth) : content_->sizeHint().height();
    return arrowHeight + contentHeight;
}

double DSPopoverWindow::arrowLeft() const {
    // An arrow pushed past the right edge would leave the window; it stops inside it instead.
    return std::max(arrowInset, std::min(arrowX_, width() - arrowInset - arrowWidth));
}

void DSPopoverWindow::resizeEvent(QResizeEvent* event) {
    scrollArea_->setGeometry(0, arrowHeight, width(), std::max(0, height() - arrowHeight));
    QWidget::resizeEvent(event);
}

bool DSPopoverWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == content_ && event->type() == QEvent::LayoutRequest) {
        const int height = fittingHeight();
        if (height != lastFittingHeight_) {
            lastFittingHeight_ = height;
            Q_EMIT fittingHeightChanged(height);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void DSPopoverWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor fill = palette::DSMenuPanel().current();
    const double left = arrowLeft();
    QPainterPath arrow;
    arrow.moveTo(left + arrowWidth / 2.0, 0);
    arrow.lineTo(left + arrowWidth, arrowHeight);
    arrow.lineTo(left, arrowHeight);
    arrow.closeSubpath();
    QPainterPath body;
    body.addRoundedRect(QRectF(0, arrowHeight, width(), height() - arrowHeight), cornerRadius, cornerRadius);
    // One path, so the translucent fill does not darken where the arrow meets the body.
    painter.fillPath(body.united(arrow), fill);
}

} // namespace pictavo
