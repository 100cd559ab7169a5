#pragma once
#include "platform/base/Bytes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// A deterministic picture with gradients, edges and noise, so every DCT frequency is used.
// 4 bytes per pixel (R, G, B, A), or 1 byte when grey; rows are `stride` bytes apart.
platform::Bytes testPattern(int width, int height, int bytesPerPixel, std::size_t stride = 0);

enum class JPEGKind { sequential, progressive, grey };

// A real JPEG of the test pattern made through the encode shim (4:2:0 below quality 90,
// 4:4:4 from 90); fails the current test when the shim fails.
platform::Bytes makeJpeg(int width, int height, int quality = 85, JPEGKind kind = JPEGKind::sequential,
                         const platform::Bytes& icc = {});

// A JPEG written by the plain library with its default settings (quality 75, standard
// Huffman tables, no progression) from rows of `components` bytes per pixel, without
// padding, in `colourSpace` (a J_COLOR_SPACE such as JCS_CMYK).
platform::Bytes libraryDefaultJpeg(const platform::Bytes& pixels, int width, int height, int components,
                                   int colourSpace);

// The file with a marker segment (code 0xE0-0xEF or 0xFE) inserted right after SOI.
platform::Bytes withSegmentAfterSOI(const platform::Bytes& jpeg, int code, const platform::Bytes& payload);

// A phone's or a 3D camera's file: `first` with an MPF index in an APP2 segment after its
// APP segments, listing it and each of `after`, which follow its end in order.
platform::Bytes withPicturesAfter(const platform::Bytes& first, const std::vector<platform::Bytes>& after);

// The file with the length of its first segment of marker `code` off by `by` bytes, as a
// damaged writer leaves it; fails the current test when there is no such segment.
platform::Bytes withSegmentLengthOff(platform::Bytes jpeg, int code, int by);

platform::Bytes bytesOf(const std::string& text);

// A plausible ICC profile: sRGB's, as the platform's colour space gives it.
platform::Bytes sRGBProfile();

} // namespace testing_support
