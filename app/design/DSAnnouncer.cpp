#include "app/design/DSAnnouncer.h"

#include <QAccessible>
#include <QApplication>
#include <QWidget>

namespace pictavo {

namespace {

class AccessibleFocusAnnouncer : public DSAnnouncer {
public:
    void announce(QWidget* subject) override {
        if (!subject) return;
        QAccessibleEvent event(subject, QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }

    void returnToKeyboardFocus() override { announce(QApplication::focusWidget()); }
};

} // namespace

DSAnnouncer& DSAnnouncer::accessible() {
    static AccessibleFocusAnnouncer announcer;
    return announcer;
}

} // namespace pictavo
