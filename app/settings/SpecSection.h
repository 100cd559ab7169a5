#pragma once
#include "ImageEngine/Model/OutputSpec.h"

#include <array>

namespace pictavo {

// The parts of an output specification that are saved as the default one at a time. The
// adjustments belong to none: they are never part of a default.
enum class SpecSection {
    format,
    // The sizing.
    size,
    // Quality, metadata, colour, matte and name pattern.
    options,
};

inline constexpr std::array<SpecSection, 3> allSpecSections{SpecSection::format, SpecSection::size,
                                                            SpecSection::options};

// `into` with the section's fields taken from `from`.
OutputSpec withSection(OutputSpec into, const OutputSpec& from, SpecSection section);

} // namespace pictavo
