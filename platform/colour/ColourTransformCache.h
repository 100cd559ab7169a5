#pragma once
#include "platform/colour/ColourSpace.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

// One lcms2 transform between two profiles for two pixel formats (lcms2 format codes).
// Applying it from several threads at once is safe: lcms2 keeps no per-call state in it.
class ColourTransform {
public:
    ~ColourTransform();
    ColourTransform(const ColourTransform&) = delete;
    ColourTransform& operator=(const ColourTransform&) = delete;

    void apply(const void* input, void* output, std::size_t pixelCount) const;

private:
    friend class ColourTransformCache;
    explicit ColourTransform(void* handle) : handle_(handle) {}
    void* handle_;
};

using ColourTransformRef = std::shared_ptr<const ColourTransform>;

// Making an lcms2 transform costs far more than applying it to a row, and every redraw of
// a conversion needs one, so transforms are made once per pair of spaces and formats and
// shared by all threads.
class ColourTransformCache {
public:
    static ColourTransformCache& shared();

    // Colours leave a CMYK or Lab source by the intent its profile's header names,
    // everything else relative colorimetric with black-point compensation; this is the one
    // way any source is brought into another space. Null when lcms2 cannot link the two
    // profiles for these formats.
    ColourTransformRef transform(const ColourSpaceRef& source, std::uint32_t sourceFormat,
                                 const ColourSpaceRef& destination, std::uint32_t destinationFormat);

    ColourTransformCache(const ColourTransformCache&) = delete;
    ColourTransformCache& operator=(const ColourTransformCache&) = delete;

private:
    ColourTransformCache();
    ~ColourTransformCache();
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace platform
