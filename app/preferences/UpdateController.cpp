#include "app/preferences/UpdateController.h"

namespace pictavo {

UpdateController::UpdateController(Updater& updater, QObject* parent) : QObject(parent), updater_(updater) {
    updater_.start();
    automatic_ = updater_.automaticallyChecks();
    canCheck_ = updater_.canCheck();
    // Queued with this object as context: a change reported after the controller is gone
    // is dropped with it.
    connect(&updater_, &Updater::canCheckChanged, this, &UpdateController::setCanCheckForUpdates,
            Qt::QueuedConnection);
}

void UpdateController::setCanCheckForUpdates(bool canCheck) {
    if (canCheck == canCheck_) return;
    canCheck_ = canCheck;
    Q_EMIT canCheckForUpdatesChanged(canCheck_);
}

void UpdateController::setAutomaticallyChecksForUpdates(bool on) {
    const bool changed = on != automatic_;
    automatic_ = on;
    updater_.setAutomaticallyChecks(automatic_);
    if (changed) Q_EMIT automaticallyChecksForUpdatesChanged(automatic_);
}

} // namespace pictavo
