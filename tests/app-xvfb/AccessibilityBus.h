#pragma once
#include <QByteArray>
#include <QtGlobal>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace support {

// A private session bus for this process, with the accessibility bus on it: Qt tells assistive
// technology what happens in its windows only once it has found that bus, and so only then can a
// test read what a screen reader would hear. Made before the application object, which looks
// for the bus as it starts; the user's own buses are never touched. Without the bus daemon or the
// accessibility bus launcher nothing is made, and the tests that need it skip.
class AccessibilityBus {
public:
    AccessibilityBus() {
        const char* launcher = "/usr/libexec/at-spi-bus-launcher";
        if (!std::filesystem::exists(launcher)) return;
        FILE* daemon = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1 2>/dev/null", "r");
        if (!daemon) return;
        char address[512] = {};
        char pid[32] = {};
        const bool read = std::fgets(address, sizeof address, daemon) && std::fgets(pid, sizeof pid, daemon);
        pclose(daemon);
        if (!read) return;
        address[std::strcspn(address, "\n")] = '\0';
        daemon_ = std::atoi(pid);
        qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray(address));
        // Without a screen reader to say it wants the bus, Qt is told to use it anyway.
        qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", QByteArray("1"));
        char* arguments[] = {const_cast<char*>(launcher), const_cast<char*>("--launch-immediately"), nullptr};
        if (posix_spawn(&launcher_, launcher, nullptr, nullptr, arguments, environ) != 0) launcher_ = 0;
    }
    ~AccessibilityBus() {
        for (const pid_t process : {launcher_, daemon_}) {
            if (process <= 0) continue;
            kill(process, SIGTERM);
            if (process == launcher_) waitpid(process, nullptr, 0);
        }
    }
    AccessibilityBus(const AccessibilityBus&) = delete;
    AccessibilityBus& operator=(const AccessibilityBus&) = delete;

private:
    pid_t daemon_ = 0;
    pid_t launcher_ = 0;
};

} // namespace support
