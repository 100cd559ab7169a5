#include "platform/text/UnicodeText.h"

#include <unicode/bytestream.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace platform {

namespace {

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

} // namespace

DecodedScalar decodeScalar(std::string_view text, std::size_t offset) {
    const auto lead = static_cast<unsigned char>(text[offset]);
    if (lead < 0x80) return {lead, 1};

    std::size_t length = 0;
    char32_t scalar = 0;
    char32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, scalar = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, scalar = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, scalar = lead & 0x07, smallest = 0x10000;
    } else {
        return {replacementCharacter, 1};
    }
    if (text.size() - offset < length) return {replacementCharacter, 1};
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[offset + i]);
        if (!isContinuation(byte)) return {replacementCharacter, 1};
        scalar = (scalar << 6) | (byte & 0x3F);
    }
    const bool surrogate = scalar >= 0xD800 && scalar <= 0xDFFF;
    if (scalar < smallest || surrogate || scalar > 0x10FFFF) return {replacementCharacter, 1};
    return {scalar, length};
}

std::vector<char32_t> scalars(std::string_view text) {
    std::vector<char32_t> result;
    for (std::size_t offset = 0; offset < text.size();) {
        const auto decoded = decodeScalar(text, offset);
        result.push_back(decoded.scalar);
        offset += decoded.length;
    }
    return result;
}

bool isValidUTF8(std::string_view text) {
    for (std::size_t offset = 0; offset < text.size();) {
        const auto decoded = decodeScalar(text, offset);
        // A malformed byte reads as U+FFFD taking one byte; a real U+FFFD takes three.
        if (decoded.scalar == replacementCharacter && decoded.length == 1) return false;
        offset += decoded.length;
    }
    return true;
}

std::string unicodeLowercased(std::string_view text) {
    std::string lowered;
    icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())))
        .toLower(icu::Locale::getRoot())
        .toUTF8String(lowered);
    return lowered;
}

void appendScalar(std::string& text, char32_t scalar) {
    if (scalar > 0x10FFFF || (scalar >= 0xD800 && scalar <= 0xDFFF)) scalar = replacementCharacter;
    if (scalar < 0x80) {
        text += static_cast<char>(scalar);
    } else if (scalar < 0x800) {
        text += static_cast<char>(0xC0 | (scalar >> 6));
        text += static_cast<char>(0x80 | (scalar & 0x3F));
    } else if (scalar < 0x10000) {
        text += static_cast<char>(0xE0 | (scalar >> 12));
        text += static_cast<char>(0x80 | ((scalar >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (scalar & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (scalar >> 18));
        text += static_cast<char>(0x80 | ((scalar >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((scalar >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (scalar & 0x3F));
    }
}

bool isWhitespaceOrNewline(char32_t s) {
    return (s >= 0x09 && s <= 0x0D) || s == 0x20 || s == 0x85 || s == 0xA0 || s == 0x1680 ||
           (s >= 0x2000 && s <= 0x200A) || s == 0x2028 || s == 0x2029 || s == 0x202F || s == 0x205F ||
           s == 0x3000;
}

bool isControlCharacter(char32_t s) { return s <= 0x1F || (s >= 0x7F && s <= 0x9F); }

std::string_view trimmingWhitespaceAndNewlines(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size()) {
        const auto decoded = decodeScalar(text, start);
        if (!isWhitespaceOrNewline(decoded.scalar)) break;
        start += decoded.length;
    }
    // Scanning forward also finds where the last non-space scalar ends, without having
    // to step backwards through UTF-8.
    std::size_t end = start;
    for (std::size_t offset = start; offset < text.size();) {
        const auto decoded = decodeScalar(text, offset);
        offset += decoded.length;
        if (!isWhitespaceOrNewline(decoded.scalar)) end = offset;
    }
    return text.substr(start, end - start);
}

std::string asciiLowercased(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) c = asciiLower(c);
    return lowered;
}

std::string asciiUppercased(std::string_view text) {
    std::string raised(text);
    for (char& c : raised)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return raised;
}

bool equalsIgnoringASCIICase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    }
    return true;
}

bool hasSuffixIgnoringASCIICase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && equalsIgnoringASCIICase(text.substr(text.size() - suffix.size()), suffix);
}

} // namespace platform
