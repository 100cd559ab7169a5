#include "app/design/DSMenuWindow.h"

#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>

namespace pictavo {

Qt::WindowFlags nonActivatingPanelFlags() {
    return Qt::ToolTip | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint;
}

DSMenuWindow::DSMenuWindow(QWidget* parentWindow, int width)
    : QWidget(parentWindow, nonActivatingPanelFlags()), scrollArea_(new QScrollArea(this)), panel_(new DSMenuPanel),
      panelWidth_(width) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    scrollArea_->setFrameShape(QFrame::NoFrame);
    scrollArea_->setFocusPolicy(Qt::NoFocus);
    scrollArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scrollArea_->setWidgetResizable(true);
    scrollArea_->viewport()->setAutoFillBackground(false);
    scrollArea_->setWidget(panel_);
    // The card paints its own translucent background, which the scroll area would cover.
    panel_->setAutoFillBackground(false);
    setFixedWidth(width);
}

int DSMenuWindow::fittingHeight() const {
    return panel_->sizeHint().height();
}

int DSMenuWindow::widthAt(int height) const {
    if (height >= fittingHeight()) return panelWidth_;
    return panelWidth_ + scrollArea_->verticalScrollBar()->sizeHint().width();
}

void DSMenuWindow::scrollToRow(std::size_t position, bool centred) {
    DSMenuRowView* row = panel_->rowView(position);
    if (!row) return;
    if (!centred) {
        scrollArea_->ensureWidgetVisible(row, 0, 0);
        return;
    }
    QScrollBar* bar = scrollArea_->verticalScrollBar();
    const int rowCentre = row->mapTo(panel_, QPoint(0, row->height() / 2)).y();
    bar->setValue(std::clamp(rowCentre - scrollArea_->viewport()->height() / 2, bar->minimum(), bar->maximum()));
}

void DSMenuWindow::resizeEvent(QResizeEvent* event) {
    scrollArea_->setGeometry(rect());
    QWidget::resizeEvent(event);
}

} // namespace pictavo
