#pragma once
#include "ImageEngine/Model/ImageProperties.h"
#include "platform/base/Geometry.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

namespace pictavo {

// What both SVG decoders know of an SVG file without drawing it.

// Starts with the gzip signature, as an .svgz does.
bool isGzipped(std::span<const std::uint8_t> bytes);

// Throws ConversionError::unsupportedInput when the bytes are gzip-compressed.
void refuseGzippedSVG(std::span<const std::uint8_t> bytes);

// The width and height of the first double-quoted viewBox value that holds exactly four
// numbers separated by spaces and commas, when both are above 0.
std::optional<platform::Size> viewBoxSize(std::string_view text);

// The size the document declares, in points: its width and height as the system drawer
// reads them, else its viewBox. Throws the gzip refusal, or decodeFailed with the file name.
platform::Size svgIntrinsicSize(const std::filesystem::path& url);
// The same of the file's bytes, read already.
platform::Size svgIntrinsicSize(const std::filesystem::path& url, std::span<const std::uint8_t> bytes);

// What the system drawer holds at its peak while it reads a document of that many bytes: the
// file, and the tree it parses it into.
std::uint64_t svgReadingBytes(std::uint64_t fileBytes);

// An SVG's properties: one upright page with alpha, a vector, of that declared size.
ImageProperties svgProperties(const std::filesystem::path& url, platform::Size intrinsicSize);

} // namespace pictavo
