#include "platform/files/SafeFileName.h"

#include "platform/files/FilePath.h"

namespace platform {

namespace {

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The longest prefix of at most `limit` bytes that does not end inside a UTF-8 character.
// A character has at most three continuation bytes; a longer run is not UTF-8 and is cut
// where the limit falls.
std::string cutAtCharacter(const std::string& text, std::size_t limit) {
    if (text.size() <= limit) return text;
    std::size_t end = limit;
    while (end > 0 && limit - end < 3 && isContinuationByte(text[end])) --end;
    if (isContinuationByte(text[end]) || end == 0) end = limit;
    return text.substr(0, end);
}

} // namespace

std::optional<std::string> oneFileName(const std::string& name) {
    std::string safe = name;
    for (char& c : safe) {
        if (c == '/' || c == '\0') c = '-';
    }
    if (safe.empty() || safe == "." || safe == "..") return std::nullopt;
    return fileNameWithin(safe, maximumFileNameBytes);
}

std::string fileNameWithin(const std::string& name, std::size_t limit) {
    if (name.size() <= limit) return name;
    const std::string extension = pathExtension(name);
    // An extension too long to keep is no extension worth keeping.
    if (extension.empty() || extension.size() + 2 > limit / 2) return cutAtCharacter(name, limit);
    const std::string stem = deletingPathExtension(name);
    return cutAtCharacter(stem, limit - extension.size() - 1) + "." + extension;
}

std::string markedFileName(const std::string& name, const std::string& mark, std::size_t limit) {
    const std::string fitted = fileNameWithin(name, limit > mark.size() ? limit - mark.size() : 0);
    const std::string extension = pathExtension(fitted);
    if (extension.empty()) return fitted + mark;
    return deletingPathExtension(fitted) + mark + "." + extension;
}

} // namespace platform
