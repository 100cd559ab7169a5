#pragma once
#include <memory>
#include <string>
#include <sys/types.h>
#include <utility>

// The display the browser draws on. A desktop session has one; a server or a CI machine
// does not, and then the renderer runs its own virtual X server (Xvfb), on a display number
// that server picks as free, reachable only through its local socket and only with a cookie
// kept in a folder of the renderer's own, and ended with the renderer, however it ends.
class PrivateDisplay {
public:
    static bool sessionHasDisplay();

    // Starts the server and points DISPLAY at it; null with `failure` set when it cannot.
    static std::unique_ptr<PrivateDisplay> start(std::string& failure);

    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

private:
    explicit PrivateDisplay(std::string folder) : folder_(std::move(folder)) {}
    std::string cookieFile() const { return folder_ + "/Xauthority"; }
    std::string folder_;
    pid_t server_ = -1;
};
