#include "ImageEngine/Model/OutputNamer.h"

#include "platform/files/FilePath.h"
#include "platform/files/SafeFileName.h"
#include "platform/text/TextFormat.h"
#include "platform/text/UnicodeText.h"

#include <array>
#include <cmath>
#include <utility>

namespace pictavo {

namespace {

std::string wholePixels(double side) {
    const auto rounded = platform::toInt64Checked(platform::roundHalfAway(side));
    return rounded ? platform::plainInteger(*rounded) : std::string();
}

std::string scaleText(double scale) {
    if (std::isfinite(scale) && std::trunc(scale) == scale) {
        if (const auto whole = platform::toInt64Checked(scale)) return platform::plainInteger(*whole);
    }
    return platform::doubleText(scale);
}

// "/" and ":" would make the name a path, or a different name to the file manager; control
// characters have no place in a name, and a NUL would cut it short at the system call.
std::string withSafeCharacters(const std::string& name) {
    std::string safe;
    safe.reserve(name.size());
    for (std::size_t offset = 0; offset < name.size();) {
        const auto decoded = platform::decodeScalar(name, offset);
        // Malformed bytes read as U+FFFD, which is no control character: they stay as they are.
        const bool replaced =
            decoded.scalar == U'/' || decoded.scalar == U':' || platform::isControlCharacter(decoded.scalar);
        if (replaced) {
            safe += '-';
        } else {
            safe.append(name, offset, decoded.length);
        }
        offset += decoded.length;
    }
    return safe;
}

} // namespace

std::string OutputNamer::fileName(const std::string& sourceName, const std::string& pattern,
                                  const OutputFormat& format, platform::Size pixelSize, std::optional<double> scale,
                                  std::optional<std::int64_t> quality) {
    const std::string base = platform::deletingPathExtension(sourceName);
    const std::string extension = format.fileExtension(platform::pathExtension(sourceName));

    const std::array<std::pair<std::string_view, std::string>, 6> tokens{{
        {"{name}", base},
        {"{w}", wholePixels(pixelSize.width)},
        {"{h}", wholePixels(pixelSize.height)},
        {"{scale}", scale ? scaleText(*scale) : std::string()},
        {"{quality}", quality ? platform::plainInteger(*quality) : std::string()},
        {"{format}", extension},
    }};

    // Braces are ASCII, so walking bytes meets them exactly where a walk over scalars would,
    // and every other scalar is copied whole.
    std::string expansion;
    for (std::size_t position = 0; position < pattern.size();) {
        if (pattern[position] == '{') {
            const std::size_t close = pattern.find('}', position);
            if (close != std::string::npos) {
                const std::string_view candidate(pattern.data() + position, close - position + 1);
                bool known = false;
                for (const auto& [token, value] : tokens) {
                    if (candidate == token) {
                        expansion += value;
                        known = true;
                        break;
                    }
                }
                if (known) {
                    position = close + 1;
                    continue;
                }
            }
        }
        expansion += pattern[position];
        ++position;
    }

    const std::string suffix = "." + extension;
    const bool matched = platform::hasSuffixIgnoringASCIICase(expansion, suffix);
    const std::string_view stem =
        matched ? std::string_view(expansion).substr(0, expansion.size() - suffix.size()) : std::string_view(expansion);

    std::string name;
    if (platform::trimmingWhitespaceAndNewlines(stem).empty()) {
        name = base + suffix;
    } else {
        name = matched ? expansion : expansion + suffix;
    }
    // The name always ends in "." and an extension, so it is never empty, "." or "..";
    // the writer applies the same rule, so the name shown is the name written.
    return platform::oneFileName(withSafeCharacters(name)).value_or(suffix);
}

std::filesystem::path OutputNamer::uniqueURL(const std::filesystem::path& directory, const std::string& fileName,
                                             const std::function<bool(const std::filesystem::path&)>& isTaken) {
    auto candidate = platform::appendingPathComponent(directory, fileName);
    if (!isTaken(candidate)) return candidate;

    for (std::int64_t n = 1; n <= maximumAttempts; ++n) {
        // A name already as long as a name may be is shortened to hold its number, which the
        // disk would refuse whole.
        const std::string numbered =
            platform::markedFileName(fileName, "-" + platform::plainInteger(n), platform::maximumFileNameBytes);
        candidate = platform::appendingPathComponent(directory, numbered);
        if (!isTaken(candidate)) return candidate;
    }
    throw NoFreeName("No free name was found for " + fileName + " in " + directory.string() + " after " +
                     platform::groupedInteger(maximumAttempts) + " tries.");
}

} // namespace pictavo
