#include "app/design/DSMenuWindow.h"

#include "app/design/DSAccessibleFactory.h"
#include "app/design/DSCompositor.h"
#include "app/design/DSTheme.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>

namespace pictavo {

namespace {

// The card's edge, drawn over the scrolling rows so that a row scrolled under it never hides it.
class CardEdge : public QWidget {
public:
    explicit CardEdge(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        DSPanelSurface::paintEdge(painter, roundedPanelShape(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5),
                                                             DSMenuWindow::cornerRadius - 0.5));
    }
};

class MenuWindowAccessible : public QAccessibleWidget {
public:
    explicit MenuWindowAccessible(DSMenuWindow* window) : QAccessibleWidget(window, QAccessible::PopupMenu) {}
};

// What screen readers call the trigger: its accessible name, else its text.
QString spokenName(QWidget* trigger) {
    const QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(trigger);
    return spoken ? spoken->text(QAccessible::Name) : QString();
}

} // namespace

Qt::WindowFlags nonActivatingPanelFlags() {
    return Qt::ToolTip | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint;
}

DSMenuWindow::DSMenuWindow(QWidget* trigger, int width)
    : QWidget(trigger->window(), nonActivatingPanelFlags()), surface_(desktopCompositesWindows()),
      scrollArea_(new QScrollArea(this)), panel_(new DSMenuPanel), edge_(new CardEdge(this)), panelWidth_(width) {
    installAccessibleFactory<DSMenuWindow, MenuWindowAccessible>();
    setAccessibleName(spokenName(trigger));
    setAttribute(Qt::WA_ShowWithoutActivating);
    surface_.prepare(this);
    setFocusPolicy(Qt::NoFocus);
    scrollArea_->setFrameShape(QFrame::NoFrame);
    scrollArea_->setFocusPolicy(Qt::NoFocus);
    scrollArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scrollArea_->setWidgetResizable(true);
    // The rows lie on the card the window draws.
    scrollArea_->setAutoFillBackground(false);
    scrollArea_->viewport()->setAutoFillBackground(false);
    scrollArea_->setWidget(panel_);
    DSPanelSurface::styleScrollBar(scrollArea_->verticalScrollBar(), cornerRadius);
    panel_->setAutoFillBackground(false);
    edge_->raise();
    setCardWidth(width);
    connect(&DSTheme::shared(), &DSTheme::changed, this, qOverload<>(&QWidget::update));
}

void DSMenuWindow::setCardWidth(int width) {
    const QMargins margins = contentsMargins();
    setFixedWidth(width + margins.left() + margins.right());
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

void DSMenuWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    surface_.paint(painter, roundedPanelShape(contentsRect(), cornerRadius));
}

void DSMenuWindow::resizeEvent(QResizeEvent* event) {
    const QRect card = contentsRect();
    scrollArea_->setGeometry(card);
    edge_->setGeometry(card);
    // The rows scroll under the card's rounded corners, not past them.
    DSPanelSurface::roundCorners(scrollArea_, cornerRadius);
    surface_.fitWindow(this, roundedPanelShape(card, cornerRadius));
    QWidget::resizeEvent(event);
}

} // namespace pictavo
