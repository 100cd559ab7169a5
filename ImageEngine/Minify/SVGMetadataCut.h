#pragma once
#include "ImageEngine/Minify/CannotStrip.h"
#include "platform/base/Bytes.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

namespace pictavo::SVGMetadata {

// The document's bytes with every SVG metadata element cut out and every other byte kept
// as it was; an element alone on its lines takes its indentation and line break with it.
// A document without metadata comes back unchanged. Anything the cut cannot be sure of
// (odd encodings, entity tricks, external DTDs, malformed markup, the byte scanner and
// libxml2 disagreeing, or a result that does not read back as the document less its
// metadata) fails with CannotStrip and its reason; nothing partial is ever returned.
platform::Bytes strip(std::span<const std::uint8_t> bytes);

// The range widened to whole lines when the element sits alone on them between tags,
// never reaching below `floor`; otherwise the range as it is.
std::pair<std::size_t, std::size_t> widenToLine(std::size_t start, std::size_t end, std::span<const std::uint8_t> bytes,
                                                std::size_t floor);

} // namespace pictavo::SVGMetadata
