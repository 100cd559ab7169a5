#include "ImageEngine/Model/OutputFormat.h"

#include "platform/text/UnicodeText.h"
#include "platform/base/Hashing.h"

namespace pictavo {

using platform::ContentType;

namespace {

std::size_t hashOptionalType(const std::optional<ContentType>& type) {
    std::size_t seed = 0;
    platform::hashCombine(seed, type ? 1 : 0);
    if (type) platform::hashCombine(seed, type->hash());
    return seed;
}

} // namespace

const OutputFormat& OutputFormat::sameAsSource() { static const OutputFormat f; return f; }
const OutputFormat& OutputFormat::png() { static const OutputFormat f(ContentType::png()); return f; }
const OutputFormat& OutputFormat::jpeg() { static const OutputFormat f(ContentType::jpeg()); return f; }
const OutputFormat& OutputFormat::heic() { static const OutputFormat f(ContentType::heic()); return f; }
const OutputFormat& OutputFormat::tiff() { static const OutputFormat f(ContentType::tiff()); return f; }
const OutputFormat& OutputFormat::gif() { static const OutputFormat f(ContentType::gif()); return f; }
const OutputFormat& OutputFormat::bmp() { static const OutputFormat f(ContentType::bmp()); return f; }
const OutputFormat& OutputFormat::ico() { static const OutputFormat f(ContentType::ico()); return f; }
const OutputFormat& OutputFormat::pdf() { static const OutputFormat f(ContentType::pdf()); return f; }
// These four exist even where the type registry would not declare them.
const OutputFormat& OutputFormat::icns() { static const OutputFormat f(ContentType::importedAs("com.apple.icns")); return f; }
const OutputFormat& OutputFormat::avif() { static const OutputFormat f(ContentType::importedAs("public.avif")); return f; }
const OutputFormat& OutputFormat::webp() { static const OutputFormat f(ContentType::importedAs("org.webmproject.webp")); return f; }
const OutputFormat& OutputFormat::jpeg2000() { static const OutputFormat f(ContentType::importedAs("public.jpeg-2000")); return f; }

const std::unordered_set<std::string>& OutputFormat::lossyIdentifiers() {
    static const std::unordered_set<std::string> set = {
        ContentType::jpeg().identifier(), ContentType::heic().identifier(), "public.heics",
        "public.avif", "org.webmproject.webp", "public.jpeg-2000"};
    return set;
}

const std::unordered_set<std::string>& OutputFormat::transparentIdentifiers() {
    static const std::unordered_set<std::string> set = {
        ContentType::png().identifier(), ContentType::tiff().identifier(), ContentType::gif().identifier(),
        ContentType::ico().identifier(), ContentType::pdf().identifier(), ContentType::heic().identifier(),
        "public.heics", "public.avif", "org.webmproject.webp", "com.apple.icns",
        "com.adobe.photoshop-image", "com.ilm.openexr-image"};
    return set;
}

const std::unordered_set<std::string>& OutputFormat::paletteIdentifiers() {
    static const std::unordered_set<std::string> set = {ContentType::gif().identifier()};
    return set;
}

const std::unordered_map<std::string, std::string>& OutputFormat::displayNameTable() {
    static const std::unordered_map<std::string, std::string> table = {
        {ContentType::png().identifier(), "PNG"},
        {ContentType::jpeg().identifier(), "JPEG"},
        {ContentType::heic().identifier(), "HEIC"},
        {ContentType::tiff().identifier(), "TIFF"},
        {ContentType::gif().identifier(), "GIF"},
        {ContentType::bmp().identifier(), "BMP"},
        {ContentType::ico().identifier(), "ICO"},
        {ContentType::pdf().identifier(), "PDF"},
        {"com.apple.icns", "ICNS"},
        {"public.avif", "AVIF"},
        {"org.webmproject.webp", "WebP"},
        {"public.jpeg-2000", "JPEG 2000"},
        {"public.heics", "HEICS"},
        {"com.adobe.photoshop-image", "PSD"},
        {"com.ilm.openexr-image", "OpenEXR"},
    };
    return table;
}

std::string OutputFormat::id() const {
    return utType_ ? utType_->identifier() : std::string(sameAsSourceMarker);
}

std::string OutputFormat::displayName() const {
    if (!utType_) return "Same as source";
    const auto& table = displayNameTable();
    if (auto found = table.find(utType_->identifier()); found != table.end()) return found->second;
    return platform::asciiUppercased(fileExtension());
}

std::string OutputFormat::fileExtension() const {
    if (!utType_) return "img";
    return utType_->preferredFilenameExtension().value_or("img");
}

std::string OutputFormat::fileExtension(std::string_view keeping) const {
    if (!keeping.empty() && utType_) {
        for (const auto& registered : utType_->filenameExtensions())
            if (platform::equalsIgnoringASCIICase(registered, keeping)) return std::string(keeping);
    }
    return fileExtension();
}

bool OutputFormat::supportsQuality() const {
    return !utType_ || lossyIdentifiers().count(utType_->identifier()) > 0;
}

bool OutputFormat::supportsAlpha() const {
    return !utType_ || transparentIdentifiers().count(utType_->identifier()) > 0;
}

std::optional<OutputFormat::Compression> OutputFormat::definedCompression() const {
    if (!utType_) return std::nullopt;
    const std::string& identifier = utType_->identifier();
    if (lossyIdentifiers().count(identifier)) return Compression::lossy;
    if (paletteIdentifiers().count(identifier)) return Compression::palette;
    return std::nullopt;
}

OutputFormat::Resolution OutputFormat::resolved(const std::optional<ContentType>& forSource, bool hasAlpha,
                                                const std::unordered_set<std::string>& writeable) const {
    if (utType_) return {*this, std::nullopt};
    const OutputFormat& fallBack = hasAlpha ? png() : jpeg();
    if (!forSource) return {fallBack, std::nullopt};
    if (writeable.count(forSource->identifier())) return {OutputFormat(*forSource), std::nullopt};
    return {fallBack, forSource};
}

std::size_t OutputFormat::hash() const { return hashOptionalType(utType_); }

std::size_t OutputFormat::Resolution::hash() const {
    std::size_t seed = format.hash();
    platform::hashCombine(seed, hashOptionalType(insteadOf));
    return seed;
}

OutputFormat OutputFormat::decode(const platform::json::Reader& reader) {
    const std::string text = reader.string();
    if (text == sameAsSourceMarker) return sameAsSource();
    if (auto type = ContentType::withIdentifier(text)) return OutputFormat(*type);
    throw platform::json::DecodingError(platform::json::DecodingError::Kind::dataCorrupted, reader.codingPath(),
                                        "Unknown type identifier " + text);
}

} // namespace pictavo
