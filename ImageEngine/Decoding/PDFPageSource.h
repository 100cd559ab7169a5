#pragma once
#include "ImageEngine/Decoding/VectorSource.h"

#include <cstdint>
#include <filesystem>

namespace pictavo {

// One page of a PDF drawn at whatever size is asked, the document opened afresh for every
// render.
class PDFPageSource final : public VectorSource {
public:
    PDFPageSource(std::filesystem::path url, std::int64_t pageNumber, platform::Size intrinsicSize)
        : url_(std::move(url)), pageNumber_(pageNumber), intrinsicSize_(intrinsicSize) {}

    platform::Size intrinsicSize() const override { return intrinsicSize_; }
    // The page stretched to fill width by height pixels on a transparent background. The
    // size is checked against one conversion's pixel budget before the file is opened.
    platform::ImageRef render(double width, double height) const override;
    // The document opened again for every render.
    std::uint64_t workingBytes(std::int64_t width, std::int64_t height) const override;

private:
    std::filesystem::path url_;
    std::int64_t pageNumber_;
    platform::Size intrinsicSize_;
};

} // namespace pictavo
