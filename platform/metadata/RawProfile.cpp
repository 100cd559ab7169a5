#include "platform/metadata/RawProfile.h"

namespace platform {
namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

} // namespace

std::optional<Bytes> rawProfileBytes(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && isBlank(text[at])) ++at;
    // The profile's name, on a line of its own.
    while (at < text.size() && text[at] != '\n') ++at;
    while (at < text.size() && isBlank(text[at])) ++at;
    std::size_t length = 0;
    const std::size_t digitsStart = at;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        length = length * 10 + static_cast<std::size_t>(text[at] - '0');
        // Two digits a byte: a length beyond half the text cannot be there.
        if (length > text.size() / 2) return std::nullopt;
    }
    if (at == digitsStart || length == 0) return std::nullopt;
    Bytes bytes;
    bytes.reserve(length);
    int high = -1;
    for (; at < text.size() && bytes.size() < length; ++at) {
        if (isBlank(text[at])) continue;
        const int value = hexValue(text[at]);
        if (value < 0) return std::nullopt;
        if (high < 0) {
            high = value;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high << 4 | value));
            high = -1;
        }
    }
    if (bytes.size() < length) return std::nullopt;
    return bytes;
}

} // namespace platform
