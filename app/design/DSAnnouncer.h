#pragma once

class QWidget;

namespace pictavo {

// Tells the user of a screen reader what the keys act on where the application moves a
// highlight without moving the keyboard focus: the rows of an open menu, while the trigger's
// window keeps the keyboard.
class DSAnnouncer {
public:
    virtual ~DSAnnouncer() = default;
    // The screen reader takes `subject` as its focus and reads it out: its name and description.
    virtual void announce(QWidget* subject) = 0;
    // The screen reader's focus goes back to the widget holding the keyboard focus, and reads
    // it out as it is now.
    virtual void returnToKeyboardFocus() = 0;

    // Through accessibility focus events, which screen readers follow as they follow the
    // keyboard focus; they ignore what happens to objects other than their focus.
    static DSAnnouncer& accessible();
};

} // namespace pictavo
