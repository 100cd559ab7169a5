#include "app/design/DSFocusScrollArea.h"

#include <QApplication>
#include <QLayout>
#include <QScrollBar>

#include <algorithm>

namespace pictavo {

namespace {

// Room above and below the control for its focus ring.
constexpr int ringRoom = 6;

} // namespace

DSFocusScrollArea::DSFocusScrollArea(QWidget* parent) : QScrollArea(parent) {
    setFocusPolicy(Qt::NoFocus);
    // A focus that comes back with its window's activation stays where the user scrolled to.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        if (old && now && widget() && widget()->isAncestorOf(now) && QGuiApplication::mouseButtons() == Qt::NoButton) {
            reveal(now);
        }
    });
}

bool DSFocusScrollArea::focusNextPrevChild(bool next) { return QWidget::focusNextPrevChild(next); }

void DSFocusScrollArea::reveal(const QWidget* control) {
    QWidget* content = widget();
    if (!content || !content->isAncestorOf(control)) return;
    const QWidget* section = control;
    while (section->parentWidget() != content) section = section->parentWidget();
    const QRect shown(control->mapTo(content, QPoint(0, 0)), control->size());
    const int room = viewport()->height();
    int top = shown.top() - ringRoom;
    int bottom = shown.bottom() + ringRoom;
    // The heading, with the padding above it that the view's top edge would otherwise cut.
    const int padding =
        content->contentsMargins().top() + (content->layout() ? content->layout()->contentsMargins().top() : 0);
    const int heading = std::max(0, section->y() - padding);
    // The whole section where it fits, so that what is said below a control shows too; else
    // its heading down to the control; else the control alone.
    const int end = std::max(bottom, section->geometry().bottom());
    if (end - heading < room) bottom = end;
    if (bottom - heading < room) top = std::min(top, heading);
    QScrollBar* bar = verticalScrollBar();
    int value = bar->value();
    if (bottom >= value + room) value = bottom - room + 1;
    if (top < value) value = top;
    bar->setValue(value);
}

} // namespace pictavo
