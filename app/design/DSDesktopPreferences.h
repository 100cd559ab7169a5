#pragma once
#include <QObject>

#include <optional>

namespace pictavo {

// The desktop's appearance preferences, read from wherever the desktop publishes them.
class DSDesktopPreferences : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // None when the desktop states no preference between light and dark.
    virtual std::optional<bool> prefersDark() const = 0;
    virtual bool prefersIncreasedContrast() const = 0;
    virtual bool prefersReducedTransparency() const = 0;
    // The user's text size relative to the default; 1 when the desktop has no such setting.
    virtual double textScale() const = 0;

Q_SIGNALS:
    void changed();
};

} // namespace pictavo
