#pragma once
#include "app/design/DSMenuPanel.h"

#include <QWidget>

class QScrollArea;

namespace pictavo {

// The window of an open pop-up menu: a frameless window that never takes the focus, so the
// trigger's window keeps the keyboard, holding the menu panel in a scroll area of fixed width.
class DSMenuWindow : public QWidget {
    Q_OBJECT

public:
    // A child window of `parentWindow`, which it stays above.
    DSMenuWindow(QWidget* parentWindow, int width);

    DSMenuPanel* panel() const { return panel_; }
    // The height the panel needs at the window's width.
    int fittingHeight() const;
    // The window's width at a height: the panel's, and beside it the scroll bar's when the panel
    // is taller than that, so the scroll bar never takes room from the rows' texts.
    int widthAt(int height) const;
    // Brings a row into view: centred, or with the least movement.
    void scrollToRow(std::size_t position, bool centred);
    QScrollArea* scrollArea() const { return scrollArea_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QScrollArea* scrollArea_;
    DSMenuPanel* panel_;
    int panelWidth_;
};

// The window flags of a floating panel that never takes the focus: a tool tip needs no
// activation on any platform, and on Wayland it becomes a popup without a grab.
Qt::WindowFlags nonActivatingPanelFlags();

} // namespace pictavo
