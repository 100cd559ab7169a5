#pragma once
#include "ImageEngine/Decoding/VectorSource.h"

#include <filesystem>

namespace pictavo {

// An SVG document drawn by the system drawer (librsvg) at whatever size is asked, read
// afresh from its file for every render.
class CoreSVGSource final : public VectorSource {
public:
    CoreSVGSource(std::filesystem::path url, platform::Size intrinsicSize)
        : url_(std::move(url)), intrinsicSize_(intrinsicSize) {}

    platform::Size intrinsicSize() const override { return intrinsicSize_; }
    // The document stretched to fill width by height pixels. The size is checked against
    // one conversion's pixel budget before the file is read.
    platform::ImageRef render(double width, double height) const override;
    // The document parsed again for every render.
    std::uint64_t workingBytes(std::int64_t width, std::int64_t height) const override;

private:
    std::filesystem::path url_;
    platform::Size intrinsicSize_;
};

} // namespace pictavo
