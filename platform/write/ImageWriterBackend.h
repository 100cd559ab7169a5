#pragma once
#include "platform/base/Bytes.h"
#include "platform/base/Outcome.h"
#include "platform/metadata/CarriedMetadata.h"
#include "platform/pixels/Image.h"

#include <optional>
#include <string>
#include <vector>

namespace platform {

// One file format of the image writer, named by its row of the format table. A backend receives at least one image (and several
// only when it writes several), metadata whose orientation fields are already rewritten,
// and the lossy quality (0...1) when one was given (without one a lossy codec writes at the
// lowest setting whose loss cannot be seen on photographs, or its best where it has no
// such setting of its own); it returns the whole file, or nothing. Sides beyond the format's row of facts never reach it.
class ImageWriterBackend {
public:
    virtual ~ImageWriterBackend() = default;
    virtual bool writesSeveralImages() const = 0;
    // False when the library the backend needs lacks the codec on this machine.
    virtual bool isAvailable() const { return true; }
    // True when the format holds IPTC records; the others get their properties as XMP.
    virtual bool holdsIPTC() const { return false; }
    virtual Outcome<Bytes> write(const std::vector<ImageRef>& images, const CarriedMetadata& metadata,
                                       std::optional<double> lossyQuality) const = 0;
};

// The 1...100 scale of most codecs for a quality of 0...1, or `fallback` without one.
int percentQuality(std::optional<double> lossyQuality, int fallback);

} // namespace platform
