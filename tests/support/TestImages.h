#pragma once
#include "platform/colour/ColourSpace.h"
#include "platform/pixels/Image.h"

#include <lcms2.h>

#include <cstdint>
#include <vector>

namespace testing_support {

// The profile as it is embedded in files; the profile is closed.
platform::Bytes profileBytes(cmsHPROFILE profile);

// Real colour profiles made with lcms2, as cameras and editors embed them.
platform::ColourSpaceRef displayP3();
platform::ColourSpaceRef adobeRGB();

// An image of 8-bit components given row by row (`components` values per pixel).
platform::ImageRef image8(std::int64_t width, std::int64_t height, int components, platform::AlphaInfo alpha,
                          platform::ColourSpaceRef space, const std::vector<std::uint8_t>& values);
// The same with 16-bit and float components.
platform::ImageRef image16(std::int64_t width, std::int64_t height, int components, platform::AlphaInfo alpha,
                           platform::ColourSpaceRef space, const std::vector<std::uint16_t>& values);
platform::ImageRef imageFloat(std::int64_t width, std::int64_t height, int components, platform::AlphaInfo alpha,
                              platform::ColourSpaceRef space, const std::vector<float>& values);
// A width x height image of one 8-bit colour.
platform::ImageRef filled8(std::int64_t width, std::int64_t height, platform::AlphaInfo alpha,
                           platform::ColourSpaceRef space, const std::vector<std::uint8_t>& pixel);

// The components of pixel (x, y), top-left origin: 8 and 16-bit values as stored, floats
// scaled to 0-255.
std::vector<int> pixelAt(const platform::Image& image, std::int64_t x, std::int64_t y);

} // namespace testing_support
