#include "ImageEngine/Decoding/WebKitSVGSource.h"

#include "ImageEngine/Decoding/SVGFile.h"
#include "ImageEngine/Decoding/SourceFile.h"
#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Model/RenderTarget.h"
#include "ImageEngine/Running/EncodeConcurrency.h"
#include "platform/base/Cancellation.h"
#include "platform/base/MainThread.h"
#include "platform/files/FilePath.h"

namespace pictavo {

std::uint64_t WebKitSVGSource::workingBytes(std::int64_t width, std::int64_t height) const {
    // What the renderer's process tree grows by for each pixel drawn, above the 430 MiB it holds
    // idle once started (its layers, filter buffers and the two photographs), measured with
    // filters over the whole page at 2,000 to 8,000 pixels square: 36 to 50 bytes, the most at
    // the smallest.
    constexpr std::uint64_t rendererBytesPerPixel = 40;
    // The photographs over white and over black as received, then as read.
    constexpr std::uint64_t receivedBytesPerPixel = 16;
    const auto pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    return svgReadingBytes(sourceLength(url_)) + (rendererBytesPerPixel + receivedBytesPerPixel) * pixels;
}

platform::ImageRef WebKitSVGSource::render(double width, double height) const {
    if (platform::isMainThread()) {
        throw ConversionError::renderFailed(RenderFailure::browserNeedsBackgroundThread());
    }
    const auto pixels = RenderTarget::pixels({width, height}, EncodeConcurrency::pixelBudget());
    // Read now, drawn from a private copy: the renderer never sees where the file lies.
    auto document = readSourceFile(url_);
    const auto stop = platform::currentJobStopToken();

    auto& gate = browser_.gate ? *browser_.gate : BrowserRenderGate::shared();
    auto& host = browser_.host ? *browser_.host : BrowserHost::shared();
    const auto turn = gate.take<WebKitSnapshots>(stop);
    // The host kills a renderer that overruns this deadline, counted from the moment the
    // turn is had, and delivers the failure; so the gate opens even if the renderer never
    // answers, and even before the renderer was started.
    BrowserHost::Render render{std::move(document),
                               platform::lastPathComponent(url_.string()),
                               {intrinsicSize_.width, intrinsicSize_.height, pixels.width, pixels.height},
                               std::chrono::steady_clock::now() + host.watchdog(),
                               turn};
    host.render(std::move(render));
    const auto snapshots = turn->wait(browser_.wait, browser_.pollInterval, stop);
    return snapshots.combine(pixels.width, pixels.height);
}

} // namespace pictavo
