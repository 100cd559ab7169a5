#pragma once
#include "ImageEngine/Model/Adjustments.h"
#include "ImageEngine/Model/ColourPolicy.h"
#include "ImageEngine/Model/MatteColour.h"
#include "ImageEngine/Model/MetadataPolicy.h"
#include "ImageEngine/Model/OutputFormat.h"
#include "ImageEngine/Model/QualityMode.h"
#include "ImageEngine/Model/ResizeSpec.h"
#include "platform/text/JSONCoding.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace pictavo {

// The whole output choice for a batch. Every field is given when one is made: the
// application, not this type, decides what a new specification holds.
struct OutputSpec {
    OutputFormat format;
    ResizeSpec sizing;
    QualityMode quality;
    MetadataPolicy metadata;
    ColourPolicy colour;
    MatteColour matte;
    Adjustments adjustments;
    // The file-name pattern, with the output namer's tokens; not trimmed, may be empty.
    std::string namePattern;

    // A copy without the name pattern: two specifications that encode the same pixels
    // and bytes are equal as identities, whatever their files are to be called.
    OutputSpec encodingIdentity() const;

    // Field by field; name patterns that are canonically equivalent are equal.
    friend bool operator==(const OutputSpec& a, const OutputSpec& b);
    std::size_t hash() const;

    // All eight keys. Throws EncodingError rather than write a number JSON cannot hold.
    platform::json::Value encode() const;
    // The sizing is sanitised on reading; a missing or null "adjustments" is none.
    static OutputSpec decode(const platform::json::Reader& reader);

    // The stored text. Throws EncodingError as encode() does, or for a name pattern that
    // is not valid UTF-8.
    std::string jsonText() const;
    // Throws DecodingError for anything that is not one valid specification.
    static OutputSpec fromJsonText(std::string_view text);
};

} // namespace pictavo

template <>
struct std::hash<pictavo::OutputSpec> {
    std::size_t operator()(const pictavo::OutputSpec& value) const { return value.hash(); }
};
