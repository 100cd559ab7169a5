#pragma once

class QString;
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
    // The screen reader reads out `text` as news from `subject`, which keeps the keyboard: a
    // value a key changed while its widget kept the focus, a count of selected cards. Screen
    // readers read a focused object once, and Qt 6.4 tells them of a changed name or
    // description without the text, so nothing else reaches them.
    virtual void say(QWidget* subject, const QString& text) = 0;

    // Through accessibility focus events, which screen readers follow as they follow the
    // keyboard focus; they ignore what happens to objects other than their focus.
    static DSAnnouncer& accessible();
};

} // namespace pictavo
