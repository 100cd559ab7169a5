#pragma once
#include "app/design/DSMenuPanel.h"
#include "app/design/DSPanelSurface.h"

#include <QWidget>

class QScrollArea;

namespace pictavo {

// The window of an open pop-up menu: a frameless window that never takes the focus, so the
// trigger's window keeps the keyboard. It draws the menu's card and holds the menu panel in a
// scroll area of fixed width, clipped to the card's rounded corners. The card fills the window
// but for the shadow's margin (`contentsMargins`), which only a compositor shows. Screen readers
// meet it as a pop-up menu named as its trigger.
class DSMenuWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr double cornerRadius = 10;

    // A child window of the trigger's window, which it stays above.
    DSMenuWindow(QWidget* trigger, int width);

    DSMenuPanel* panel() const { return panel_; }
    // The card's height that shows every row.
    int fittingHeight() const;
    // The card's width at a card height: the panel's, and inside the card beside it the scroll
    // bar's when the panel is taller than that, so the scroll bar never takes room from the rows'
    // texts.
    int widthAt(int height) const;
    QSize cardSize() const { return contentsRect().size(); }
    void setCardWidth(int width);
    // Brings a row into view: centred, or with the least movement.
    void scrollToRow(std::size_t position, bool centred);
    QScrollArea* scrollArea() const { return scrollArea_; }
    const DSPanelSurface& surface() const { return surface_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    DSPanelSurface surface_;
    QScrollArea* scrollArea_;
    DSMenuPanel* panel_;
    QWidget* edge_;
    int panelWidth_;
};

// The window flags of a floating panel that never takes the focus: a tool tip needs no
// activation on any platform, and on Wayland it becomes a popup without a grab.
Qt::WindowFlags nonActivatingPanelFlags();

} // namespace pictavo
