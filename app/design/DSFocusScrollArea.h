#pragma once
#include <QScrollArea>

namespace pictavo {

// A scrolling view of sections, each a direct child of the view's widget with its heading at
// its top (a titled group of controls). The view itself takes no focus, so Tab goes straight to
// the controls, and a control that takes the keyboard focus is scrolled into view together with
// the heading of its section where the view has room for both, so that the user sees what the
// control belongs to, and with the whole section where it fits. A control taking the focus from
// a click is left where it is.
class DSFocusScrollArea : public QScrollArea {
    Q_OBJECT

public:
    explicit DSFocusScrollArea(QWidget* parent = nullptr);

protected:
    // Qt's own scrolls the control in view with a wide margin, which could push the heading out.
    bool focusNextPrevChild(bool next) override;

private:
    // Scrolls as little as shows the control, with its section, or at least the section's
    // heading, where there is room.
    void reveal(const QWidget* control);
};

} // namespace pictavo
