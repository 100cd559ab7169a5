#include "ImageEngine/Decoding/BrowserHost.h"

#include "ImageEngine/Decoding/BrowserError.h"
#include "ImageEngine/Decoding/SVGRendererProcess.h"
#include "ImageEngine/Model/ConversionError.h"

#include <filesystem>
#include <unistd.h>

namespace pictavo {

namespace {

namespace protocol = BrowserRenderProtocol;
using protocol::ReplyKind;

constexpr const char* rendererName = "pictavo-svg-renderer";

std::exception_ptr failure(RenderFailure reason) {
    return std::make_exception_ptr(ConversionError::renderFailed(std::move(reason)));
}

std::exception_ptr stopped() { return failure(RenderFailure::browser("the browser stopped while rendering this SVG")); }

std::exception_ptr unreadable() {
    return failure(RenderFailure::browser("the browser renderer's answer could not be read"));
}

// A snapshot may exceed the wanted size by the rounding of the page to whole points at the
// display's pixel ratio, never by more.
std::uint64_t largestSnapshot(const protocol::Request& request) {
    constexpr std::uint64_t roundingRoom = 8;
    return (static_cast<std::uint64_t>(request.width) + roundingRoom) *
           (static_cast<std::uint64_t>(request.height) + roundingRoom);
}

std::uint64_t largestReply(const protocol::Request& request) {
    constexpr std::uint64_t headers = 64;
    return headers + 2 * largestSnapshot(request) * 4;
}

// Delivers "returned nothing" to a render that leaves the host by a path that delivered
// nothing else, so that its gate opens all the same.
class DeliveryGuard {
public:
    explicit DeliveryGuard(const std::shared_ptr<BrowserHost::Turn>& turn) : turn_(turn) {}
    ~DeliveryGuard() {
        if (turn_ && !turn_->isDelivered()) turn_->fail(failure(RenderFailure::browserReturnedNothing()));
    }
    DeliveryGuard(const DeliveryGuard&) = delete;
    DeliveryGuard& operator=(const DeliveryGuard&) = delete;

private:
    std::shared_ptr<BrowserHost::Turn> turn_;
};

} // namespace

BrowserHost::BrowserHost(std::vector<std::string> rendererCommand, std::chrono::milliseconds watchdog)
    : rendererCommand_(std::move(rendererCommand)), watchdog_(watchdog), driver_([this] { drive(); }) {}

BrowserHost::~BrowserHost() {
    {
        const std::lock_guard lock(lock_);
        stopping_ = true;
    }
    arrived_.notify_all();
    driver_.join();
}

BrowserHost& BrowserHost::shared() {
    static BrowserHost* host = new BrowserHost(installedRenderer());
    return *host;
}

std::vector<std::string> BrowserHost::installedRenderer() {
    std::error_code failed;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", failed);
    if (!failed) {
        // Beside the program when run from the build; in the libexec folder when installed.
        for (const auto& candidate : {program.parent_path() / rendererName,
                                      program.parent_path().parent_path() / "libexec" / "pictavo" / rendererName})
            if (::access(candidate.c_str(), X_OK) == 0) return {candidate.string()};
    }
#ifdef PICTAVO_SVG_RENDERER_PATH
    if (::access(PICTAVO_SVG_RENDERER_PATH, X_OK) == 0) return {PICTAVO_SVG_RENDERER_PATH};
#endif
    return {};
}

void BrowserHost::render(Render render) {
    const auto turn = render.turn;
    try {
        const std::lock_guard lock(lock_);
        if (!stopping_) {
            waiting_.push_back(std::move(render));
            arrived_.notify_one();
            return;
        }
    } catch (...) {
        return turn->fail(std::current_exception());
    }
    turn->fail(failure(RenderFailure::browserReturnedNothing()));
}

void BrowserHost::drive() {
    while (true) {
        Render render;
        {
            std::unique_lock lock(lock_);
            arrived_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
            if (waiting_.empty()) break;
            render = std::move(waiting_.front());
            waiting_.pop_front();
            if (stopping_) {
                const DeliveryGuard failing(render.turn);
                continue;
            }
        }
        const DeliveryGuard guard(render.turn);
        try {
            run(render);
        } catch (...) {
            render.turn->fail(std::current_exception());
        }
    }
    endRenderer();
}

void BrowserHost::endRenderer() {
    renderer_.reset();
    rendererProcessId_ = 0;
}

void BrowserHost::run(Render& render) {
    if (rendererCommand_.empty()) {
        return render.turn->fail(failure(RenderFailure::browser("the browser renderer is not installed")));
    }
    if (renderer_ && !renderer_->isIdle()) endRenderer();
    if (!renderer_) {
        renderer_ = SVGRendererProcess::start(rendererCommand_);
        rendererProcessId_ = renderer_->processId();
    }
    renderer_->writeDocument(render.document);

    auto received = renderer_->exchange(protocol::encode(render.request), render.deadline, largestReply(render.request));
    switch (received.outcome) {
    case SVGRendererProcess::Outcome::answered: break;
    case SVGRendererProcess::Outcome::overran:
        endRenderer();
        return render.turn->fail(failure(RenderFailure::browserStalled()));
    case SVGRendererProcess::Outcome::ended: endRenderer(); return render.turn->fail(stopped());
    case SVGRendererProcess::Outcome::unreadable: endRenderer(); return render.turn->fail(unreadable());
    }
    auto reply = protocol::decodeReply(received.body.data(), received.body.size(), largestSnapshot(render.request));
    received.body = {};
    if (!reply) {
        endRenderer();
        return render.turn->fail(unreadable());
    }
    switch (reply->kind) {
    case ReplyKind::snapshots:
        return render.turn->deliver(WebKitSnapshots{std::move(reply->overWhite), std::move(reply->overBlack)});
    case ReplyKind::browserError:
        return render.turn->fail(std::make_exception_ptr(BrowserError(reply->domain, reply->code, reply->message)));
    case ReplyKind::notSVG:
        return render.turn->fail(std::make_exception_ptr(ConversionError::decodeFailed(render.fileName)));
    case ReplyKind::couldNotBeIsolated: return render.turn->fail(failure(RenderFailure::browserCouldNotBeIsolated()));
    case ReplyKind::producedNoImage: return render.turn->fail(failure(RenderFailure::browserProducedNoImage()));
    case ReplyKind::couldNotReadPixels:
        return render.turn->fail(failure(RenderFailure::browser("could not read the browser's pixels")));
    case ReplyKind::browserStopped: return render.turn->fail(stopped());
    case ReplyKind::couldNotStart:
        // Whatever kept it from starting (no display) may be mended by the next render.
        endRenderer();
        return render.turn->fail(failure(RenderFailure::browser(reply->message)));
    }
}

} // namespace pictavo
