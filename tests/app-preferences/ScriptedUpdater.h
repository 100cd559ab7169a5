#pragma once
#include "app/preferences/Updater.h"

namespace pictavo {

// An updater that answers as the test sets it and counts what it was asked to do.
class ScriptedUpdater : public Updater {
public:
    void start() override { ++starts; }
    bool isAvailable() const override { return available; }
    bool automaticallyChecks() const override { return automatic; }
    void setAutomaticallyChecks(bool on) override {
        automatic = on;
        ++writes;
    }
    bool canCheck() const override { return available; }
    void checkForUpdates() override { ++checks; }

    bool available = true;
    bool automatic = false;
    int starts = 0;
    int writes = 0;
    int checks = 0;
};

} // namespace pictavo
