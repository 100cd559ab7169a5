#pragma once
#include "platform/base/Bytes.h"
#include "platform/base/Outcome.h"
#include "platform/pixels/Image.h"
#include "platform/metadata/WriterProperties.h"

#include <optional>
#include <string>
#include <vector>

namespace platform {

// The image writer: writes one or several images into one file in memory, in the format
// named by its type identifier, through one backend per format.
class ImageWriter {
public:
    // The identifiers this machine can write, in a fixed order: only backends whose codec is
    // present are listed.
    static const std::vector<std::string>& typeIdentifiers();

    // The whole file, or nothing: for an identifier that is not listed, an empty list, a
    // list of several for a format that holds one image (never just the first of them),
    // or images the format cannot take. A library's refusal comes with its words, and a
    // picture larger than the format holds with the format's limit and the picture's size.
    // Without a lossy quality a lossy format writes at the lowest setting whose loss cannot be
    // seen on photographs, or at its best where it has no such setting.
    static Outcome<Bytes> write(const std::string& typeIdentifier, const std::vector<ImageRef>& images,
                                      const WriterProperties& properties);
};

} // namespace platform
