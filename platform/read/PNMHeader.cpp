#include "platform/read/PNMHeader.h"

#include <charconv>
#include <cmath>
#include <string>

namespace platform {
namespace {

constexpr std::uint32_t largestMaxval = 65535;
// A header token longer than this is no number a header holds.
constexpr std::size_t longestToken = 64;

bool isSpace(std::uint8_t byte) { return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\r' || byte == '\v' || byte == '\f'; }

// The header's tokens one by one, past white space and comments.
class Tokens {
public:
    explicit Tokens(ByteView bytes) : bytes_(bytes) {}

    std::optional<std::string> next() {
        for (;;) {
            if (at_ >= bytes_.size()) return std::nullopt;
            const std::uint8_t byte = bytes_.data()[at_];
            if (byte == '#') {
                while (at_ < bytes_.size() && bytes_.data()[at_] != '\n' && bytes_.data()[at_] != '\r') ++at_;
            } else if (isSpace(byte)) {
                ++at_;
            } else {
                break;
            }
        }
        std::string token;
        while (at_ < bytes_.size() && !isSpace(bytes_.data()[at_]) && bytes_.data()[at_] != '#') {
            if (token.size() == longestToken) return std::nullopt;
            token.push_back(static_cast<char>(bytes_.data()[at_++]));
        }
        return token;
    }

private:
    ByteView bytes_;
    std::size_t at_ = 2; // past the magic number
};

// A decimal number of digits only (no sign), held at the cap when it is larger.
std::optional<std::uint64_t> decimal(const std::optional<std::string>& token) {
    if (!token || token->empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char digit : *token) {
        if (digit < '0' || digit > '9') return std::nullopt;
        value = std::min(PNMHeader::largestNumber, value * 10 + static_cast<std::uint64_t>(digit - '0'));
    }
    return value;
}

} // namespace

std::optional<PNMHeader> readPNMHeader(ByteView bytes) {
    const auto magic = bytes.u8(0), kind = bytes.u8(1);
    if (magic != 'P' || !kind) return std::nullopt;
    PNMHeader header;
    header.kind = static_cast<char>(*kind);
    if (!((header.kind >= '1' && header.kind <= '6') || header.isFloat())) return std::nullopt;

    Tokens tokens(bytes);
    const auto width = decimal(tokens.next());
    const auto height = decimal(tokens.next());
    if (!width || !height || *width == 0 || *height == 0) return std::nullopt;
    header.width = *width;
    header.height = *height;
    if (header.isBitmap()) return header;

    const auto third = tokens.next();
    if (header.isFloat()) {
        // The scale's sign gives the byte order; its size only a brightness.
        if (!third || third->empty()) return std::nullopt;
        // from_chars, unlike strtod, reads the same whatever the locale's decimal mark.
        double scale = 0;
        const char* end = third->data() + third->size();
        const auto parsed = std::from_chars(third->data(), end, scale);
        if (parsed.ec != std::errc() || parsed.ptr != end || !std::isfinite(scale) || scale == 0) return std::nullopt;
        return header;
    }
    const auto maxval = decimal(third);
    if (!maxval || *maxval == 0 || *maxval > largestMaxval) return std::nullopt;
    header.maxval = static_cast<std::uint32_t>(*maxval);
    return header;
}

} // namespace platform
