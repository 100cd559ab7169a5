// Renders through the real browser renderer process. Where the machine has no display the
// renderer starts its own virtual one, so these run everywhere and never skip.
#include "ImageEngine/Decoding/BrowserError.h"
#include "ImageEngine/Decoding/BrowserHost.h"
#include "ImageEngine/Decoding/WebKitSVGSource.h"
#include "support/ConversionErrorCapture.h"
#include "support/TemporaryFolder.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <array>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <sstream>
#include <netinet/in.h>
#include <string>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace pictavo;
using namespace std::chrono_literals;
using testing_support::TemporaryFolder;
using testing_support::thrownBy;
using Pixel = std::array<int, 4>;

namespace {

platform::Bytes bytes(const std::string& text) { return platform::Bytes(text.begin(), text.end()); }

// Renders are refused on the main thread, where the tests run.
platform::ImageRef renderElsewhere(const WebKitSVGSource& source, double width, double height) {
    return std::async(std::launch::async, [&] { return source.render(width, height); }).get();
}

// Every pixel of the 9 by 9 block around (x, y) within `tolerance` of `expected`.
::testing::AssertionResult areaIs(const platform::Image& image, std::int64_t x, std::int64_t y, Pixel expected,
                                  int tolerance = 2) {
    for (auto row = y - 4; row <= y + 4; ++row)
        for (auto column = x - 4; column <= x + 4; ++column) {
            const auto pixel = testing_support::pixelAt(image, column, row);
            for (int channel = 0; channel < 4; ++channel)
                if (std::abs(pixel[channel] - expected[channel]) > tolerance)
                    return ::testing::AssertionFailure()
                           << "(" << column << ", " << row << ") is " << pixel[0] << "," << pixel[1] << "," << pixel[2]
                           << "," << pixel[3];
        }
    return ::testing::AssertionSuccess();
}

std::int64_t reddish(const platform::Image& image) {
    std::int64_t count = 0;
    for (std::int64_t y = 0; y < image.height(); ++y)
        for (std::int64_t x = 0; x < image.width(); ++x) {
            const auto pixel = testing_support::pixelAt(image, x, y);
            if (pixel[0] > 128 && pixel[1] < 64 && pixel[2] < 64) ++count;
        }
    return count;
}

std::string square(const std::string& colour) {
    return R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 4 4"><rect width="4" height="4" fill=")" + colour +
           "\"/></svg>";
}

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The NUL-separated command line of a running process.
std::vector<std::string> commandLine(pid_t process) {
    std::vector<std::string> words;
    std::string text = fileText("/proc/" + std::to_string(process) + "/cmdline");
    for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
        end = text.find('\0', start);
        if (end == std::string::npos) end = text.size();
        words.push_back(text.substr(start, end - start));
    }
    return words;
}

// The path of the first named local socket `process` listens on.
std::string listeningSocket(pid_t process) {
    const std::string unixTable = fileText("/proc/net/unix");
    for (const auto& entry : std::filesystem::directory_iterator("/proc/" + std::to_string(process) + "/fd")) {
        const std::string target = std::filesystem::read_symlink(entry.path()).string();
        if (target.rfind("socket:[", 0) != 0) continue;
        const std::string inode = " " + target.substr(8, target.size() - 9) + " /";
        const auto at = unixTable.find(inode);
        if (at != std::string::npos)
            return unixTable.substr(at + inode.size() - 1, unixTable.find('\n', at) - at - inode.size() + 1);
    }
    return {};
}

// The first byte of an X server's answer to a connection set-up (0 refused, 1 accepted),
// offering `cookie` or nothing.
int xServerAnswer(const std::string& socketPath, const std::string& cookie) {
    const int connection = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
    if (::connect(connection, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(connection);
        return -1;
    }
    const std::string name = cookie.empty() ? "" : "MIT-MAGIC-COOKIE-1";
    const auto padded = [](std::string text) { return text.append((4 - text.size() % 4) % 4, '\0'); };
    std::string setup = {'l', 0, 11, 0, 0, 0, static_cast<char>(name.size()), 0, static_cast<char>(cookie.size()), 0, 0, 0};
    setup += padded(name) + padded(cookie);
    char answer = -1;
    if (::send(connection, setup.data(), setup.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(setup.size()) ||
        ::recv(connection, &answer, 1, 0) != 1)
        answer = -1;
    ::close(connection);
    return answer;
}

class BrowserRendererTest : public ::testing::Test {
protected:
    WebKitSVGSource source(const std::string& name, const std::string& text, platform::Size size) {
        return WebKitSVGSource(folder.write(name, bytes(text)), size, {&gate, &host});
    }
    // A renderer command whose first run does `firstRun` and every later one is the real renderer.
    std::vector<std::string> misbehavingOnce(const std::string& firstRun) {
        return {"/bin/sh", "-c",
                "if [ -e \"$0\" ]; then exec '" + BrowserHost::installedRenderer().front() + "' \"$1\"; fi; : > \"$0\"; " +
                    firstRun,
                folder.file("started-once").string()};
    }

    TemporaryFolder folder;
    BrowserRenderGate gate;
    BrowserHost host{BrowserHost::installedRenderer()};
};

// Filters, masks, foreign objects and CSS custom properties, each in one quarter of a page
// that declares a size but no viewBox; drawn at twice that size.
const char* const richDocument = R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="200" height="100"
     onload="document.getElementById('flooded').setAttribute('width', '0')">
  <defs>
    <filter id="flood" x="0" y="0" width="1" height="1"><feFlood flood-color="#0000ff"/></filter>
    <mask id="upper"><rect x="100" y="0" width="100" height="25" fill="#ffffff"/></mask>
  </defs>
  <rect id="flooded" x="0" y="0" width="100" height="50" fill="#ffffff" filter="url(#flood)"/>
  <rect x="100" y="0" width="100" height="50" fill="#ff0000" mask="url(#upper)"/>
  <foreignObject x="0" y="50" width="100" height="50">
    <div xmlns="http://www.w3.org/1999/xhtml" style="width: 100px; height: 50px; background: #00ff00"></div>
  </foreignObject>
  <rect x="100" y="50" width="100" height="50" style="--tint: #ff0000; fill: var(--tint); opacity: 0.5"/>
  <script>document.getElementById('flooded').setAttribute('fill', '#ff0000');</script>
</svg>)svg";

TEST_F(BrowserRendererTest, DrawsWhatOnlyABrowserCanWithItsTransparencyAndNoPageScript) {
    const auto rich = source("rich.svg", richDocument, {200, 100});
    const auto plain = source("plain.svg",
                              R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 10 10">)"
                              R"(<circle cx="5" cy="5" r="5" fill="#ffff00"/></svg>)",
                              {10, 10});
    // Asked for at once from two threads: the gate hands the renderer one at a time.
    auto richImage = std::async(std::launch::async, [&] { return rich.render(400, 200); });
    auto plainImage = std::async(std::launch::async, [&] { return plain.render(99, 51); });
    const auto image = richImage.get();
    ASSERT_EQ(std::tuple(image->width(), image->height()), std::tuple(400, 200));
    EXPECT_TRUE(areaIs(*image, 100, 50, {0, 0, 255, 255}));
    EXPECT_TRUE(areaIs(*image, 300, 24, {255, 0, 0, 255}));
    EXPECT_TRUE(areaIs(*image, 300, 76, {0, 0, 0, 0}));
    EXPECT_TRUE(areaIs(*image, 100, 150, {0, 255, 0, 255}));
    EXPECT_TRUE(areaIs(*image, 300, 150, {128, 0, 0, 128}, 3));

    // Stretched to fill the size asked for, corners left transparent.
    const auto stretched = plainImage.get();
    ASSERT_EQ(std::tuple(stretched->width(), stretched->height()), std::tuple(99, 51));
    EXPECT_TRUE(areaIs(*stretched, 49, 25, {255, 255, 0, 255}));
    EXPECT_EQ(testing_support::pixelAt(*stretched, 0, 0)[3], 0);
    EXPECT_EQ(testing_support::pixelAt(*stretched, 98, 50)[3], 0);
}

// A listening socket on the loopback interface that must never see a connection.
class LoopbackServer {
public:
    LoopbackServer() {
        socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        EXPECT_EQ(::bind(socket_, reinterpret_cast<sockaddr*>(&address), length), 0);
        EXPECT_EQ(::listen(socket_, 16), 0);
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~LoopbackServer() { ::close(socket_); }
    std::string url(const std::string& name) const { return "http://127.0.0.1:" + std::to_string(port_) + "/" + name; }
    bool wasContacted() const {
        const int connection = ::accept(socket_, nullptr, nullptr);
        if (connection >= 0) ::close(connection);
        return connection >= 0;
    }

private:
    int socket_ = -1;
    int port_ = 0;
};

TEST_F(BrowserRendererTest, TheDocumentReachesNoOtherFileAndNoNetwork) {
    TemporaryFolder elsewhere;
    const std::string redDocument = R"(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">)"
                                    R"(<rect width="100" height="100" fill="#ff0000"/></svg>)";
    const auto beside = folder.write("beside.svg", bytes(redDocument));
    const auto absolute = elsewhere.write("absolute.svg", bytes(redDocument));
    const auto refreshed = elsewhere.write("refreshed.svg", bytes(redDocument));
    const auto stylesheet = elsewhere.write(
        "transform.xsl", bytes(R"(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">)"
                               R"(<xsl:template match="/">)" +
                               redDocument + "</xsl:template></xsl:stylesheet>"));
    const int watcher = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    for (const auto& watched : {beside, absolute, refreshed, stylesheet})
        ASSERT_GE(::inotify_add_watch(watcher, watched.c_str(), IN_OPEN | IN_ACCESS), 0);
    const LoopbackServer server;

    const auto fileURL = [](const std::filesystem::path& path) { return "file://" + path.string(); };
    const std::string text =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"100\" "
        "height=\"100\">\n"
        "<style>@import url(\"" + server.url("imported.css") + "\");\n"
        "@font-face { font-family: Remote; src: url(\"" + server.url("font.woff") + "\"); }\n"
        "text { font-family: Remote; }</style>\n"
        "<rect width=\"100\" height=\"100\" fill=\"#00ff00\"/>\n"
        "<image href=\"" + server.url("network.svg") + "\" x=\"0\" y=\"0\" width=\"50\" height=\"50\"/>\n"
        "<image xlink:href=\"" + fileURL(absolute) + "\" x=\"50\" y=\"0\" width=\"50\" height=\"50\"/>\n"
        "<image href=\"beside.svg\" x=\"0\" y=\"50\" width=\"50\" height=\"50\"/>\n"
        "<text x=\"60\" y=\"60\">Text</text>\n"
        // Embedded pictures are the document's own and still draw.
        "<image href=\"data:image/svg+xml;base64,PHN2ZyB4bWxucz0iaHR0cDovL3d3dy53My5vcmcvMjAwMC9zdmciIHdpZHRoPSIxMCIgaGVpZ2h0PSIxMCI+PHJlY3Qgd2lkdGg9IjEwIiBoZWlnaHQ9IjEwIiBmaWxsPSIjMDAwMGZmIi8+PC9zdmc+\" x=\"50\" y=\"70\" width=\"50\" height=\"30\"/>\n"
        "<foreignObject width=\"1\" height=\"1\"><meta xmlns=\"http://www.w3.org/1999/xhtml\" "
        "http-equiv=\"refresh\" content=\"0;url=" + fileURL(refreshed) + "\"/></foreignObject>\n"
        "</svg>";
    const auto document = source("sealed.svg", text, {100, 100});

    const auto image = renderElsewhere(document, 100, 100);
    EXPECT_EQ(reddish(*image), 0);
    for (auto [x, y] : {std::pair{25, 25}, {75, 25}, {25, 75}}) EXPECT_TRUE(areaIs(*image, x, y, {0, 255, 0, 255}));
    EXPECT_TRUE(areaIs(*image, 75, 85, {0, 0, 255, 255}));

    // A transform that cannot load leaves no document to draw.
    const auto transformed =
        source("transformed.svg",
               "<?xml version=\"1.0\"?><?xml-stylesheet type=\"text/xsl\" href=\"" + fileURL(stylesheet) +
                   "\"?><svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\"/>",
               {10, 10});
    EXPECT_EQ(thrownBy([&] { renderElsewhere(transformed, 10, 10); }), ConversionError::decodeFailed("transformed.svg"));
    EXPECT_FALSE(server.wasContacted());
    alignas(inotify_event) char events[4096];
    EXPECT_LT(::read(watcher, events, sizeof events), 0) << "a file outside the document was opened";
    ::close(watcher);
}

// Through the process's own gate and host, which find the renderer beside the program.
TEST_F(BrowserRendererTest, AnHTMLDocumentNamedSVGIsNotDrawn) {
    const WebKitSVGSource page(folder.write("page.svg", bytes("<html><body><p>Not a drawing</p></body></html>")),
                               {100, 100});
    EXPECT_EQ(thrownBy([&] { renderElsewhere(page, 50, 50); }), ConversionError::decodeFailed("page.svg"));
}

TEST_F(BrowserRendererTest, ARendererThatDiesMidRenderFailsItAndTheNextRenderStartsAFreshOne) {
    // The first renderer reads the start of the request and dies.
    BrowserHost dying(misbehavingOnce("head -c 4 <&3 >/dev/null; exit 1"));
    const WebKitSVGSource drawing(folder.write("drawing.svg", bytes(square("#0000ff"))), {4, 4}, {&gate, &dying});
    EXPECT_EQ(thrownBy([&] { renderElsewhere(drawing, 20, 20); }),
              ConversionError::renderFailed(RenderFailure::browser("the browser stopped while rendering this SVG")));
    const auto image = renderElsewhere(drawing, 20, 20);
    EXPECT_TRUE(areaIs(*image, 10, 10, {0, 0, 255, 255}));
}

TEST_F(BrowserRendererTest, ARendererThatNeverAnswersIsKilledAndFreesTheGateForAFreshOne) {
    // The first renderer never answers; the wait for it is long enough for the real renderer
    // that follows to start on a busy machine.
    BrowserHost silent(misbehavingOnce("exec sleep 600"), 20s);
    const WebKitSVGSource drawing(folder.write("drawing.svg", bytes(square("#00ff00"))), {4, 4},
                                  {&gate, &silent, 1s});
    EXPECT_EQ(thrownBy([&] { renderElsewhere(drawing, 8, 8); }),
              ConversionError::renderFailed(RenderFailure::browserTimedOut(1)));
    const pid_t stuck = silent.rendererProcessId();
    ASSERT_GT(stuck, 0);
    // The gate opens when the host's watchdog has killed the renderer.
    gate.take<WebKitSnapshots>({})->fail(nullptr);
    EXPECT_NE(::kill(stuck, 0), 0);

    const WebKitSVGSource patient(folder.file("drawing.svg"), {4, 4}, {&gate, &silent});
    EXPECT_TRUE(areaIs(*renderElsewhere(patient, 20, 20), 10, 10, {0, 255, 0, 255}));
}

TEST_F(BrowserRendererTest, ARendererWithoutADisplayDrawsOnItsOwnServerThatOnlyItsCookieOpens) {
    BrowserHost serverless({"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR=" + folder.file("").string(),
                            BrowserHost::installedRenderer().front()});
    const WebKitSVGSource drawing(folder.write("drawing.svg", bytes(square("#0000ff"))), {4, 4}, {&gate, &serverless});
    EXPECT_TRUE(areaIs(*renderElsewhere(drawing, 20, 20), 10, 10, {0, 0, 255, 255}));

    // The renderer's children are the browser's own processes and the X server.
    const std::string renderer = std::to_string(serverless.rendererProcessId());
    std::istringstream children(fileText("/proc/" + renderer + "/task/" + renderer + "/children"));
    pid_t server = 0;
    std::vector<std::string> command;
    while (children >> server) {
        command = commandLine(server);
        if (!command.empty() && command.front() == "Xvfb") break;
        command.clear();
    }
    ASSERT_FALSE(command.empty());
    const auto auth = std::find(command.begin(), command.end(), "-auth");
    ASSERT_NE(auth, command.end());
    const std::filesystem::path cookieFile = *std::next(auth);
    struct stat status {};
    ASSERT_EQ(::stat(cookieFile.parent_path().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    // A wild-family entry: the 16-byte cookie is the file's last bytes.
    const std::string cookie = fileText(cookieFile).substr(fileText(cookieFile).size() - 16);
    const std::string socketPath = listeningSocket(server);
    ASSERT_FALSE(socketPath.empty());
    EXPECT_EQ(xServerAnswer(socketPath, ""), 0);
    EXPECT_EQ(xServerAnswer(socketPath, std::string(16, 'x')), 0);
    EXPECT_EQ(xServerAnswer(socketPath, cookie), 1);
}

TEST_F(BrowserRendererTest, ARendererWithoutADisplaySaysSoAndIsNotKeptForTheNextRender) {
    // No session display, and no virtual server to be found either.
    BrowserHost displayless({"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "PATH=/nonexistent",
                             BrowserHost::installedRenderer().front()});
    const WebKitSVGSource drawing(folder.write("drawing.svg", bytes("<svg/>")), {4, 4}, {&gate, &displayless});
    EXPECT_EQ(thrownBy([&] { renderElsewhere(drawing, 4, 4); }),
              ConversionError::renderFailed(
                  RenderFailure::browser("the browser renderer found no display and could not start one")));
    EXPECT_EQ(displayless.rendererProcessId(), 0);
}

} // namespace
