#pragma once
#include "app/preferences/UpdateCheck.h"

#include <QObject>

namespace pictavo {

// What the update controller drives: something that can be started, has an automatic-check
// preference, says whether a check can start now and checks when asked.
class Updater : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    virtual void start() = 0;
    // False when this build has nowhere to look for updates.
    virtual bool isAvailable() const = 0;
    virtual bool automaticallyChecks() const = 0;
    virtual void setAutomaticallyChecks(bool on) = 0;
    virtual bool canCheck() const = 0;
    // A check the user asked for.
    virtual void checkForUpdates() = 0;

Q_SIGNALS:
    void canCheckChanged(bool canCheck);
    void checked(const pictavo::UpdateCheck& check, bool userInitiated);
};

} // namespace pictavo
