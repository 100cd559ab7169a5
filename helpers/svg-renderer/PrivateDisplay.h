#pragma once
#include <memory>
#include <string>
#include <sys/types.h>

// The display the browser draws on. A desktop session has one; a server or a CI machine
// does not, and then the renderer runs its own virtual X server (Xvfb), on a display number
// that server picks as free, reachable only through its local socket, and ended with the
// renderer, however the renderer ends.
class PrivateDisplay {
public:
    static bool sessionHasDisplay();

    // Starts the server and points DISPLAY at it; null with `failure` set when it cannot.
    static std::unique_ptr<PrivateDisplay> start(std::string& failure);

    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

private:
    explicit PrivateDisplay(pid_t server) : server_(server) {}
    pid_t server_;
};
