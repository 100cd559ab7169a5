#include "ImageEngine/Model/OutputFormat.h"

#include "platform/text/UnicodeText.h"
#include "platform/base/Hashing.h"
#include "platform/types/FormatFacts.h"
#include "platform/types/ImageTypeIdentifiers.h"

namespace pictavo {

using platform::ContentType;
namespace types = platform::types;

namespace {

std::size_t hashOptionalType(const std::optional<ContentType>& type) {
    std::size_t seed = 0;
    platform::hashCombine(seed, type ? 1 : 0);
    if (type) platform::hashCombine(seed, type->hash());
    return seed;
}

// The identifiers of the format table's rows with a fact.
template <typename Fact>
std::unordered_set<std::string> identifiersWhere(Fact fact) {
    std::unordered_set<std::string> identifiers;
    for (const auto& row : platform::formatTable())
        if (fact(row)) identifiers.emplace(row.identifier);
    return identifiers;
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
const OutputFormat& OutputFormat::icns() { static const OutputFormat f(ContentType::importedAs(types::icns)); return f; }
const OutputFormat& OutputFormat::avif() { static const OutputFormat f(ContentType::importedAs(types::avif)); return f; }
const OutputFormat& OutputFormat::webp() { static const OutputFormat f(ContentType::importedAs(types::webp)); return f; }
const OutputFormat& OutputFormat::jpeg2000() {
    static const OutputFormat f(ContentType::importedAs(types::jpeg2000));
    return f;
}

const std::unordered_set<std::string>& OutputFormat::lossyIdentifiers() {
    static const auto set = identifiersWhere([](const platform::FormatFacts& row) { return row.lossy; });
    return set;
}

const std::unordered_set<std::string>& OutputFormat::transparentIdentifiers() {
    static const auto set = identifiersWhere([](const platform::FormatFacts& row) { return row.alpha; });
    return set;
}

const std::unordered_set<std::string>& OutputFormat::paletteIdentifiers() {
    static const auto set = identifiersWhere([](const platform::FormatFacts& row) { return row.palette; });
    return set;
}

const std::unordered_map<std::string, std::string>& OutputFormat::displayNameTable() {
    static const auto table = [] {
        std::unordered_map<std::string, std::string> names;
        for (const auto& row : platform::formatTable())
            if (row.displayName) names.emplace(row.identifier, row.displayName);
        return names;
    }();
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
