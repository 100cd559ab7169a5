#include "app/design/DSAnnouncer.h"

#include <QAccessible>
#include <QWidget>

namespace pictavo {

namespace {

class AccessibleNameAnnouncer : public DSAnnouncer {
public:
    void announce(QWidget* speaker, const QString& text) override {
        if (!speaker) return;
        if (speaker->accessibleName() != text) {
            // Changing the name tells assistive technology itself.
            speaker->setAccessibleName(text);
            return;
        }
        // The same text again is still spoken again.
        QAccessibleEvent event(speaker, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
};

} // namespace

DSAnnouncer& DSAnnouncer::accessible() {
    static AccessibleNameAnnouncer announcer;
    return announcer;
}

} // namespace pictavo
