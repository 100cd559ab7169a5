#pragma once
#include "app/preferences/Updater.h"

#include <QObject>

namespace pictavo {

// The one place the menu and the settings window ask about updates: mirrors whether a check
// can start, and carries the automatic-check preference to the updater.
class UpdateController : public QObject {
    Q_OBJECT

public:
    // Starts the updater and reads its state; writes nothing back.
    explicit UpdateController(Updater& updater, QObject* parent = nullptr);

    Updater& controller() const { return updater_; }
    bool isAvailable() const { return updater_.isAvailable(); }

    bool canCheckForUpdates() const { return canCheck_; }
    void setCanCheckForUpdates(bool canCheck);

    bool automaticallyChecksForUpdates() const { return automatic_; }
    // Writes to the updater on every call; tells observers only of a change.
    void setAutomaticallyChecksForUpdates(bool on);

Q_SIGNALS:
    void canCheckForUpdatesChanged(bool canCheck);
    void automaticallyChecksForUpdatesChanged(bool on);

private:
    Updater& updater_;
    bool canCheck_ = false;
    bool automatic_ = false;
};

} // namespace pictavo
