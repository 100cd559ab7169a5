#pragma once
#include "ImageEngine/Decoding/BrowserHost.h"
#include "ImageEngine/Decoding/BrowserRenderGate.h"
#include "ImageEngine/Decoding/VectorSource.h"

#include <chrono>
#include <filesystem>

namespace pictavo {

// An SVG document drawn by the sealed browser renderer whenever pixels are asked for. A
// render blocks the calling thread: without a time limit while another browser render holds
// the gate (only cancelling the job ends that wait), then for up to 30 seconds for its own
// outcome. It refuses to run on the main thread, which it would block.
class WebKitSVGSource final : public VectorSource {
public:
    // Where renders go: the gate and host of the process (made on the first render), or a
    // test's own.
    struct Browser {
        static constexpr std::chrono::milliseconds standardWait{30'000};

        BrowserRenderGate* gate = nullptr;
        BrowserHost* host = nullptr;
        std::chrono::milliseconds wait = standardWait;
        std::chrono::milliseconds pollInterval = BrowserRenderGate::standardPollInterval;
    };

    WebKitSVGSource(std::filesystem::path url, platform::Size intrinsicSize)
        : WebKitSVGSource(std::move(url), intrinsicSize, Browser{}) {}
    WebKitSVGSource(std::filesystem::path url, platform::Size intrinsicSize, Browser browser)
        : url_(std::move(url)), intrinsicSize_(intrinsicSize), browser_(browser) {}

    platform::Size intrinsicSize() const override { return intrinsicSize_; }
    platform::ImageRef render(double width, double height) const override;
    // The sealed renderer's, whose processes draw the page twice and parse the document, and
    // the photographs it sends back with the picture made from them.
    std::uint64_t workingBytes(std::int64_t width, std::int64_t height) const override;

private:
    std::filesystem::path url_;
    platform::Size intrinsicSize_;
    Browser browser_;
};

} // namespace pictavo
