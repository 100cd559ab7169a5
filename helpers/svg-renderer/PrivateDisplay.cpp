#include "helpers/svg-renderer/PrivateDisplay.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/random.h>
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

bool writeAll(int file, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(file, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

// One Xauthority entry that any display number matches, so it can be written before the
// server has chosen its number: family "wild", no address, no number, a random cookie.
bool writeCookie(const std::string& path) {
    unsigned char cookie[16];
    if (::getrandom(cookie, sizeof cookie, 0) != static_cast<ssize_t>(sizeof cookie)) return false;
    const auto field = [](const std::string& bytes) {
        return std::string{static_cast<char>(bytes.size() >> 8), static_cast<char>(bytes.size() & 0xff)} + bytes;
    };
    const std::string entry = std::string("\xff\xff", 2) + field("") + field("") + field("MIT-MAGIC-COOKIE-1") +
                              field(std::string(reinterpret_cast<const char*>(cookie), sizeof cookie));
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (file < 0) return false;
    const bool written = writeAll(file, entry);
    return ::close(file) == 0 && written;
}

// In the forked child: nothing of the renderer's but the pipe on which the server reports
// its display number, so the renderer's socket closes when the renderer goes.
[[noreturn]] void runServer(pid_t renderer, int reportPipe, const char* cookieFile) {
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
    ::execlp("Xvfb", "Xvfb", "-displayfd", "3", "-nolisten", "tcp", "-auth", cookieFile, "-screen", "0",
             "1920x1080x24", "-noreset", static_cast<char*>(nullptr));
    ::_exit(127);
}

} // namespace

bool PrivateDisplay::sessionHasDisplay() { return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY"); }

std::unique_ptr<PrivateDisplay> PrivateDisplay::start(std::string& failure) {
    failure = "the browser renderer found no display and could not start one";
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string folder = std::string(runtime && *runtime ? runtime : "/tmp") + "/pictavo-display-XXXXXX";
    if (!::mkdtemp(folder.data())) return nullptr;
    std::unique_ptr<PrivateDisplay> display(new PrivateDisplay(folder));
    const std::string cookieFile = display->cookieFile();
    if (!writeCookie(cookieFile)) return nullptr;

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return nullptr;
    const pid_t renderer = ::getpid();
    const pid_t server = ::fork();
    if (server == 0) runServer(renderer, report[1], cookieFile.c_str());
    ::close(report[1]);
    if (server < 0) {
        ::close(report[0]);
        return nullptr;
    }
    display->server_ = server;

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
    if (number.size() < 2 || number.back() != '\n') return nullptr;
    number.pop_back();
    failure.clear();
    ::setenv("DISPLAY", (":" + number).c_str(), 1);
    ::setenv("XAUTHORITY", cookieFile.c_str(), 1);
    // A virtual server has no graphics card behind it: WebKit draws in software.
    ::setenv("GDK_BACKEND", "x11", 1);
    ::setenv("WEBKIT_DISABLE_DMABUF_RENDERER", "1", 1);
    ::setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    return display;
}

PrivateDisplay::~PrivateDisplay() {
    if (server_ > 0) ending(server_);
    ::unlink(cookieFile().c_str());
    ::rmdir(folder_.c_str());
}
