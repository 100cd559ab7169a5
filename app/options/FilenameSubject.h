#pragma once
#include "ImageEngine/Model/OutputFormat.h"
#include "ImageEngine/Model/OutputSpec.h"
#include "platform/base/Geometry.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace pictavo {

class ConversionEngine;
struct BatchItem;

// What a filename pattern is filled from in its preview: the first image of the batch, or an
// invented photo when there is none.
struct FilenameSubject {
    // With its extension, as shown before the arrow.
    QString sourceName;
    // Already resolved: never "Same as source".
    OutputFormat format;
    platform::Size pixelSize;
    // Only for a scale sizing.
    std::optional<double> scale;
    // Only for a quality mode that holds a number.
    std::optional<std::int64_t> quality;
    bool isExample = false;

    // "photo.jpg", 3000 × 2000 pixels (2000 × 3000 when the turn swaps the sides), as the
    // specification would write it.
    static FilenameSubject example(const ConversionEngine& engine, const OutputSpec& spec);
    // The card's file as the specification would write it, from the header admission read;
    // from the file when that is unknown, and none when the file cannot be read.
    static std::optional<FilenameSubject> ofCard(const ConversionEngine& engine, const BatchItem& card,
                                                 const OutputSpec& spec);

    // "photo.jpg → photo.webp", after "For example, " for the invented photo. The name is the
    // one an export writes.
    QString preview(const QString& pattern) const;

    bool operator==(const FilenameSubject&) const = default;
};

} // namespace pictavo
