#pragma once
#include "platform/types/ContentType.h"
#include "platform/text/JSONCoding.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace pictavo {

// The file format a conversion writes: a content type, or none for "same as source",
// which keeps each source in its own format once the source is known.
class OutputFormat {
public:
    enum class Compression { lossy, lossless, palette };

    struct Resolution;

    // Stands for the format without a type wherever a format is written as text. It is
    // compared exactly, letter case included: it is not a content-type identifier.
    static constexpr std::string_view sameAsSourceMarker = "com.brackwen.pictavobyfenwid.same-as-source";

    explicit OutputFormat(platform::ContentType type) : utType_(std::move(type)) {}

    static const OutputFormat& sameAsSource();
    static const OutputFormat& png();
    static const OutputFormat& jpeg();
    static const OutputFormat& heic();
    static const OutputFormat& tiff();
    static const OutputFormat& gif();
    static const OutputFormat& bmp();
    static const OutputFormat& ico();
    static const OutputFormat& pdf();
    static const OutputFormat& icns();
    static const OutputFormat& avif();
    static const OutputFormat& webp();
    static const OutputFormat& jpeg2000();

    const std::optional<platform::ContentType>& utType() const { return utType_; }
    bool isSameAsSource() const { return !utType_.has_value(); }
    // The type's identifier, or the same-as-source marker.
    std::string id() const;
    std::string displayName() const;
    std::string fileExtension() const;
    // The extension for an output file: the source's own extension, in its own letter
    // case, when it is one of this format's extensions; else the preferred one.
    std::string fileExtension(std::string_view keeping) const;
    bool supportsQuality() const;
    bool supportsAlpha() const;
    // From the fixed tables alone; formats outside them are answered by WriteableFormats,
    // which probes what the platform writer does with them.
    std::optional<Compression> definedCompression() const;

    // Turns same-as-source into a real format for a source: its own type when that is
    // writeable, else PNG (with alpha) or JPEG, naming the source type it replaced.
    Resolution resolved(const std::optional<platform::ContentType>& forSource, bool hasAlpha,
                        const std::unordered_set<std::string>& writeable) const;

    friend bool operator==(const OutputFormat& a, const OutputFormat& b) { return a.utType_ == b.utType_; }
    std::size_t hash() const;

    platform::json::Value encode() const { return id(); }
    // dataCorrupted "Unknown type identifier …" for an identifier no type has.
    static OutputFormat decode(const platform::json::Reader& reader);

    static const std::unordered_set<std::string>& lossyIdentifiers();
    static const std::unordered_set<std::string>& transparentIdentifiers();
    static const std::unordered_set<std::string>& paletteIdentifiers();
    static const std::unordered_map<std::string, std::string>& displayNameTable();

private:
    OutputFormat() = default;

    std::optional<platform::ContentType> utType_;
};

struct OutputFormat::Resolution {
    OutputFormat format;
    // The source's own type when it could not be written and a fall-back was chosen.
    std::optional<platform::ContentType> insteadOf;

    friend bool operator==(const Resolution&, const Resolution&) = default;
    std::size_t hash() const;
};

} // namespace pictavo

template <>
struct std::hash<pictavo::OutputFormat> {
    std::size_t operator()(const pictavo::OutputFormat& format) const { return format.hash(); }
};

template <>
struct std::hash<pictavo::OutputFormat::Resolution> {
    std::size_t operator()(const pictavo::OutputFormat::Resolution& resolution) const { return resolution.hash(); }
};
