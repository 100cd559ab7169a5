#include "ImageEngine/Decoding/SVGFile.h"

#include "ImageEngine/Decoding/SourceFile.h"
#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Model/DeclaredSize.h"
#include "platform/files/FilePath.h"
#include "platform/files/FileStatus.h"
#include "platform/text/UnicodeText.h"
#include "platform/vector/SVGDocument.h"

#include <cstdlib>
#include <locale.h>
#include <string>
#include <vector>

namespace pictavo {

namespace {

// A number as the platform's own text-to-number reading takes it: the whole piece must be
// the number, with an optional sign, exponent, "inf", "nan" or a hexadecimal form, and no
// white space around it.
std::optional<double> wholeNumber(std::string_view piece) {
    if (piece.empty() || platform::isWhitespaceOrNewline(static_cast<unsigned char>(piece.front()))) return std::nullopt;
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    const std::string text(piece);
    char* end = nullptr;
    const double value = strtod_l(text.c_str(), &end, cLocale);
    if (end != text.c_str() + text.size()) return std::nullopt;
    return value;
}

// A source that cannot be read is reported as undecodable, unless it is no file at all, is
// not there or may not be read.
std::optional<platform::Bytes> readable(const std::filesystem::path& url) {
    try {
        return readSourceFile(url);
    } catch (const platform::FileError& error) {
        refuseWhatCannotBeOpened(error);
        return std::nullopt;
    }
}

} // namespace

bool isGzipped(std::span<const std::uint8_t> bytes) { return bytes.size() >= 2 && bytes[0] == 0x1F && bytes[1] == 0x8B; }

void refuseGzippedSVG(std::span<const std::uint8_t> bytes) {
    if (isGzipped(bytes))
        throw ConversionError::unsupportedInput(
            "This SVG is gzip-compressed (.svgz), which this computer can't read. An uncompressed .svg will work.");
}

std::optional<platform::Size> viewBoxSize(std::string_view text) {
    const auto lowered = platform::asciiLowercased(text);
    const auto name = lowered.find("viewbox");
    if (name == std::string::npos) return std::nullopt;
    const auto open = text.find('"', name + 7);
    if (open == std::string_view::npos) return std::nullopt;
    const auto close = text.find('"', open + 1);
    if (close == std::string_view::npos) return std::nullopt;
    const auto value = text.substr(open + 1, close - open - 1);

    std::vector<double> numbers;
    std::size_t start = 0;
    while (start <= value.size()) {
        const auto end = value.find_first_of(" ,", start);
        const auto piece = value.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!piece.empty())
            if (auto number = wholeNumber(piece)) numbers.push_back(*number);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    if (numbers.size() != 4 || !(numbers[2] > 0) || !(numbers[3] > 0)) return std::nullopt;
    return platform::Size{numbers[2], numbers[3]};
}

platform::Size svgIntrinsicSize(const std::filesystem::path& url) {
    if (const auto bytes = readable(url)) return svgIntrinsicSize(url, *bytes);
    throw ConversionError::decodeFailed(platform::lastPathComponent(url.string()));
}

platform::Size svgIntrinsicSize(const std::filesystem::path& url, std::span<const std::uint8_t> bytes) {
    // Before librsvg sees them: it would inflate them by itself.
    refuseGzippedSVG(bytes);
    if (const auto document = platform::SVGDocument::load(bytes))
        if (const auto size = document->naturalSize()) return *size;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (platform::isValidUTF8(text))
        if (const auto size = viewBoxSize(text)) return *size;
    throw ConversionError::decodeFailed(platform::lastPathComponent(url.string()));
}

std::uint64_t svgReadingBytes(std::uint64_t fileBytes) {
    // librsvg's tree of a document of small paths, measured on documents of 1 to 28 MB.
    constexpr std::uint64_t treeBytesPerFileByte = 35;
    return fileBytes + treeBytesPerFileByte * fileBytes;
}

ImageProperties svgProperties(const std::filesystem::path& url, platform::Size intrinsicSize) {
    const auto pixels = DeclaredSize::pixels(intrinsicSize);
    ImageProperties properties;
    properties.pixelWidth = pixels.width;
    properties.pixelHeight = pixels.height;
    properties.orientation = 1;
    properties.hasAlpha = true;
    properties.frameCount = 1;
    properties.pageCount = 1;
    properties.renditionCount = 1;
    properties.isVector = true;
    properties.sourceUTType = platform::ContentType::svg();
    properties.byteCount = platform::readFileStamp(url).byteCount;
    return properties;
}

} // namespace pictavo
