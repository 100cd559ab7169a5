#include "helpers/svg-renderer/PrivateDisplay.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr auto serverStartLimit = std::chrono::seconds(10);

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

void ending(pid_t server) {
    ::kill(server, SIGTERM);
    while (::waitpid(server, nullptr, 0) < 0 && errno == EINTR) {
    }
}

// In the forked child: nothing of the renderer's but the pipe on which the server reports
// its display number, so the renderer's socket closes when the renderer goes.
[[noreturn]] void runServer(pid_t renderer, int reportPipe) {
    // The server is told to stop when the renderer ends, even by SIGKILL.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != renderer) ::_exit(127);
    if (::dup2(reportPipe, 3) < 0) ::_exit(127);
    const int nothing = ::open("/dev/null", O_RDWR);
    if (nothing >= 0) {
        ::dup2(nothing, 0);
        ::dup2(nothing, 1);
        ::dup2(nothing, 2);
    }
    ::close_range(4, ~0U, 0);
    ::execlp("Xvfb", "Xvfb", "-displayfd", "3", "-nolisten", "tcp", "-screen", "0", "1920x1080x24", "-noreset",
             static_cast<char*>(nullptr));
    ::_exit(127);
}

} // namespace

bool PrivateDisplay::sessionHasDisplay() { return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY"); }

std::unique_ptr<PrivateDisplay> PrivateDisplay::start(std::string& failure) {
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        failure = "the browser renderer found no display and could not start one";
        return nullptr;
    }
    const pid_t renderer = ::getpid();
    const pid_t server = ::fork();
    if (server == 0) runServer(renderer, report[1]);
    ::close(report[1]);
    if (server < 0) {
        ::close(report[0]);
        failure = "the browser renderer found no display and could not start one";
        return nullptr;
    }
    std::unique_ptr<PrivateDisplay> display(new PrivateDisplay(server));

    // The server writes its display number and a line break once it accepts connections.
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + serverStartLimit;
    while (number.empty() || number.back() != '\n') {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd waiting{report[0], POLLIN, 0};
        if (left.count() <= 0 || ::poll(&waiting, 1, static_cast<int>(left.count())) == 0) break;
        char chunk[16];
        const ssize_t got = ::read(report[0], chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        number.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(report[0]);
    if (number.size() < 2 || number.back() != '\n') {
        failure = "the browser renderer found no display and could not start one";
        return nullptr;
    }
    number.pop_back();
    ::setenv("DISPLAY", (":" + number).c_str(), 1);
    // A virtual server has no graphics card behind it: WebKit draws in software.
    ::setenv("GDK_BACKEND", "x11", 1);
    ::setenv("WEBKIT_DISABLE_DMABUF_RENDERER", "1", 1);
    ::setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    return display;
}

PrivateDisplay::~PrivateDisplay() { ending(server_); }
