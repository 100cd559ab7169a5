#pragma once
#include "platform/base/Bytes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pipeline_testing {

// A picture in memory, 8 bits a component, interleaved: 1 grey, 2 grey and alpha,
// 3 RGB, 4 RGBA.
struct Picture {
    int width = 0;
    int height = 0;
    int bands = 3;
    std::vector<std::uint8_t> pixels;
    bool cmyk = false; // four bands of cyan, magenta, yellow and black ink rather than RGBA

    Picture(int width, int height, int bands);
    std::uint8_t* at(int x, int y) { return pixels.data() + (static_cast<std::size_t>(y) * width + x) * bands; }
    const std::uint8_t* at(int x, int y) const { return pixels.data() + (static_cast<std::size_t>(y) * width + x) * bands; }
};

// Red top left, green top right, blue bottom left, white bottom right: any turn or flip
// moves a colour to another corner.
Picture quadrants(int width, int height, int bands = 3);
// A smooth two-way gradient, to give lossy encoders something to work on.
Picture gradient(int width, int height, int bands = 3);
// Something that compresses as a photograph does: light falling across textures whose
// detail fades with scale, a few objects with soft and hard edges, and a little grain.
// The same seed gives the same picture.
Picture photoLike(int width, int height, std::uint32_t seed = 1);
// The same colour everywhere.
Picture filled(int width, int height, std::vector<std::uint8_t> colour);

// What a viewer shows for pixels stored with an EXIF orientation (1 to 8).
Picture displayed(const Picture& stored, int orientation);
// The pixels to store so that a viewer honouring the orientation shows `upright`.
Picture storedFor(const Picture& upright, int orientation);

// The picture written as a real file by the libvips saver the suffix names, with its
// options, such as ".jpg[Q=95]" or ".tif[compression=deflate]", its EXIF orientation and
// its profile.
platform::Bytes encode(const Picture& picture, const std::string& suffix, int orientation = 1, platform::Bytes icc = {});

} // namespace pipeline_testing
