#pragma once
#include <QString>

class QWidget;

namespace pictavo {

// Speaks a short text to the user of a screen reader, on behalf of a widget that is showing.
class DSAnnouncer {
public:
    virtual ~DSAnnouncer() = default;
    virtual void announce(QWidget* speaker, const QString& text) = 0;

    // Through the speaker's accessible name: assistive technology reads out a change of the name
    // of a showing object, and the platform has no announcement of its own.
    static DSAnnouncer& accessible();
};

} // namespace pictavo
