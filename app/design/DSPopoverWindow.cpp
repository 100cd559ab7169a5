#include "app/design/DSPopoverWindow.h"

#include "app/design/DSFocusScrollArea.h"
#include "app/design/DSPalette.h"
#include "app/design/DSReadingOrder.h"
#include "app/design/DSTheme.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>

#include <algorithm>

namespace pictavo {

namespace {

constexpr double arrowInset = 10;

} // namespace

Qt::WindowFlags focusablePanelFlags() { return Qt::Tool | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint; }

DSPopoverWindow::DSPopoverWindow(QWidget* parentWindow, int width, double arrowX, QWidget* content, bool composited)
    : QWidget(parentWindow, focusablePanelFlags()), surface_(composited), arrowX_(arrowX),
      scrollArea_(new DSFocusScrollArea(this)), content_(content) {
    surface_.prepare(this);
    const QMargins margins = contentsMargins();
    setFixedWidth(width + margins.left() + margins.right());
    scrollArea_->setFrameShape(QFrame::NoFrame);
    scrollArea_->setAutoFillBackground(false);
    scrollArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollArea_->setWidgetResizable(true);
    scrollArea_->viewport()->setAutoFillBackground(false);
    scrollArea_->setWidget(content);
    // Screen readers name the pop-over by its content's title.
    setWindowTitle(content->windowTitle());
    // Moving into the window put the content's controls in the order they were made.
    followReadingOrder(content);
    DSPanelSurface::styleScrollBar(scrollArea_->verticalScrollBar(), cornerRadius);
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

void DSPopoverWindow::focusFirstControl() {
    if (!content_) return;
    for (QWidget* control : readingOrder(content_)) {
        if (control->isVisibleTo(this) && control->isEnabled()) {
            control->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

int DSPopoverWindow::fittingHeight() const {
    if (!content_) return arrowHeight;
    const int contentWidth = contentsRect().width();
    const int contentHeight =
        content_->hasHeightForWidth() ? content_->heightForWidth(contentWidth) : content_->sizeHint().height();
    return arrowHeight + contentHeight;
}

double DSPopoverWindow::arrowLeft() const {
    // An arrow pushed past the right edge would leave the window; it stops inside it instead.
    return std::max(arrowInset, std::min(arrowX_, contentsRect().width() - arrowInset - arrowWidth));
}

QPainterPath DSPopoverWindow::shape() const {
    const QRectF card = contentsRect();
    const double left = card.left() + arrowLeft();
    const double base = card.top() + arrowHeight;
    // The arrow reaches a little into the body: a triangle that only touches the body's edge
    // stays a shape of its own in the union, and the edge drawn along the outline would run
    // across the arrow's base.
    constexpr double overlap = 2;
    QPainterPath arrow;
    arrow.moveTo(left + arrowWidth / 2.0, card.top());
    arrow.lineTo(left + arrowWidth, base);
    arrow.lineTo(left + arrowWidth, base + overlap);
    arrow.lineTo(left, base + overlap);
    arrow.lineTo(left, base);
    arrow.closeSubpath();
    return roundedPanelShape(card.adjusted(0, arrowHeight, 0, 0), cornerRadius).united(arrow);
}

void DSPopoverWindow::resizeEvent(QResizeEvent* event) {
    const QRect card = contentsRect();
    const QRect body = card.adjusted(0, arrowHeight, 0, 0);
    scrollArea_->setGeometry(body);
    // Content scrolls under the body's rounded corners, not past them.
    DSPanelSurface::roundCorners(scrollArea_, cornerRadius);
    surface_.fitWindow(this, shape());
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
    const QPainterPath outline = shape();
    surface_.paint(painter, outline);
    // Without a compositor there is no shadow to set the panel off a window of nearly its colour;
    // an edge does instead.
    if (!surface_.composited()) DSPanelSurface::paintEdge(painter, outline);
}

} // namespace pictavo
