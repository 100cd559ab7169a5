// pictavo-svg-renderer FOLDER
//
// Draws SVG documents in a sealed browser for the program that started it, one at a time:
// the program writes the document into FOLDER (a private folder of its own) and sends a
// request on descriptor 3; the renderer answers there with two photographs of the page or a
// failure. It ends when the program closes its end of the socket.
#include "ImageEngine/Decoding/BrowserRenderProtocol.h"
#include "helpers/svg-renderer/PrivateDisplay.h"
#include "helpers/svg-renderer/RendererSocket.h"
#include "helpers/svg-renderer/SealedBrowser.h"
#include "helpers/svg-renderer/WebKitSVGRenderer.h"

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <memory>
#include <string>
#include <unistd.h>

namespace protocol = pictavo::BrowserRenderProtocol;

namespace {

struct Renderer {
    RendererSocket socket{protocol::socketDescriptor};
    std::unique_ptr<SealedBrowser> browser;
    GMainLoop* loop = nullptr;
    bool rendering = false;
};

// Without a browser every request is answered with the reason, until the program goes.
void refuseEveryRequest(const RendererSocket& socket, const std::string& reason) {
    protocol::Reply reply;
    reply.kind = protocol::ReplyKind::couldNotStart;
    reply.message = reason;
    while (socket.read(protocol::largestRequest) && socket.write(protocol::encode(reply))) {
    }
}

// The program has checked the sizes against its budget; anything else is not its request.
bool isSensible(const protocol::Request& request) {
    constexpr std::int64_t largestSide = 1'000'000;
    const auto isSide = [](std::int64_t side) { return side >= 1 && side <= largestSide; };
    const auto isSize = [](double side) { return std::isfinite(side) && side > 0; };
    return isSide(request.width) && isSide(request.height) && isSize(request.intrinsicWidth) &&
           isSize(request.intrinsicHeight);
}

gboolean requestArrived(gint, GIOCondition, gpointer state) {
    auto& renderer = *static_cast<Renderer*>(state);
    const auto body = renderer.socket.read(protocol::largestRequest);
    const auto request = body ? protocol::decodeRequest(body->data(), body->size()) : std::nullopt;
    // The program has gone, or no longer speaks this protocol, or sent a second request
    // before the first was answered.
    if (!request || !isSensible(*request) || renderer.rendering) {
        g_main_loop_quit(renderer.loop);
        return G_SOURCE_REMOVE;
    }
    renderer.rendering = true;
    WebKitSVGRenderer::start(*renderer.browser, *request, [&renderer](protocol::Reply reply) {
        renderer.rendering = false;
        if (!renderer.socket.write(protocol::encode(reply))) g_main_loop_quit(renderer.loop);
    });
    return G_SOURCE_CONTINUE;
}

// The program may end without killing the renderer (it just closes the socket): what was
// put into its folder goes with the renderer, and the folder too once empty.
void leaveFolder(const std::filesystem::path& folder) {
    std::error_code ignored;
    std::filesystem::remove(folder / protocol::documentName, ignored);
    std::filesystem::remove_all(folder / protocol::ruleStoreName, ignored);
    std::filesystem::remove(folder, ignored);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER (with the request socket on descriptor %d)\n", argv[0],
                     protocol::socketDescriptor);
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);
    // Nothing the browser starts inherits the socket.
    ::fcntl(protocol::socketDescriptor, F_SETFD, FD_CLOEXEC);
    // No accessibility bus: the view is never shown to anyone.
    ::setenv("NO_AT_BRIDGE", "1", 1);

    Renderer renderer;
    std::string failure;
    std::unique_ptr<PrivateDisplay> display;
    if (!PrivateDisplay::sessionHasDisplay()) display = PrivateDisplay::start(failure);
    if (failure.empty() && !gtk_init_check(nullptr, nullptr)) failure = "the browser renderer could not open the display";

    if (!failure.empty()) {
        refuseEveryRequest(renderer.socket, failure);
    } else {
        renderer.loop = g_main_loop_new(nullptr, FALSE);
        renderer.browser = std::make_unique<SealedBrowser>(argv[1], [&renderer] {
            g_unix_fd_add(protocol::socketDescriptor, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
                          &requestArrived, &renderer);
        });
        g_main_loop_run(renderer.loop);
    }
    display.reset();
    leaveFolder(argv[1]);
    std::fflush(nullptr);
    // The browser's objects are the operating system's to reclaim: tearing them down one by
    // one at exit gains nothing and can hang on a browser that is misbehaving.
    ::_exit(0);
}
