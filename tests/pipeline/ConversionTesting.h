#pragma once
#include "ImageEngine/Core/ConversionEngine.h"
#include "platform/Image.h"
#include "support/TemporaryFolder.h"

#include <array>
#include <filesystem>
#include <string>

namespace pipeline_testing {

// The engine the application makes, over the standard registries.
const pictavo::ConversionEngine& standardEngine();

// What a user would ask for: the given format, original size, lossless, metadata kept,
// colour preserved, a white matte, no adjustments, "{name}.{format}".
pictavo::OutputSpec specFor(const pictavo::OutputFormat& format);

// The output written into the folder under its suggested name and read back by the
// engine's own decoders: the first page, or the largest picture of an icon file.
platform::ImageRef decodedOutput(const pictavo::ConversionResult& result, const testing_support::TemporaryFolder& folder);

// Red, green, blue and alpha of a pixel (top-left origin) at 8 bits, whatever the image's
// depth, layout or premultiplication; grey gives three equal values.
std::array<int, 4> colourAt(const platform::Image& image, std::int64_t x, std::int64_t y);

// Whether each component is within `tolerance` of the expected one.
bool near(const std::array<int, 4>& actual, const std::array<int, 4>& expected, int tolerance);
std::string describe(const std::array<int, 4>& colour);

} // namespace pipeline_testing
