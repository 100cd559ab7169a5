#pragma once
#include "app/shell/CardSelection.h"

#include <QObject>

namespace pictavo {

// The main window's selection of cards, shared by the grid, the band and the menus; tells
// of every change.
class WindowSelection : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    const CardSelection::Selection& value() const { return value_; }
    void set(const CardSelection::Selection& value) {
        if (value == value_) return;
        value_ = value;
        Q_EMIT changed();
    }

Q_SIGNALS:
    void changed();

private:
    CardSelection::Selection value_;
};

} // namespace pictavo
