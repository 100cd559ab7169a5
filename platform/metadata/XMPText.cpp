#include "platform/metadata/XMPText.h"

#include "platform/text/UnicodeText.h"

#include <string_view>

namespace platform {
namespace {

struct Encoding {
    std::size_t unit = 1; // bytes a code unit takes: 1, 2 or 4
    bool bigEndian = false;
    std::size_t mark = 0; // bytes of the byte-order mark before the text
};

Encoding encodingOf(ByteView stored) {
    using namespace std::string_view_literals;
    if (stored.startsWith(0, "\0\0\xFE\xFF"sv)) return {4, true, 4};
    if (stored.startsWith(0, "\xFF\xFE\0\0"sv)) return {4, false, 4};
    if (stored.startsWith(0, "\0\0\0<"sv)) return {4, true, 0};
    if (stored.startsWith(0, "<\0\0\0"sv)) return {4, false, 0};
    if (stored.startsWith(0, "\xFE\xFF"sv)) return {2, true, 2};
    if (stored.startsWith(0, "\xFF\xFE"sv)) return {2, false, 2};
    if (stored.startsWith(0, "\0<"sv)) return {2, true, 0};
    if (stored.startsWith(0, "<\0"sv)) return {2, false, 0};
    return {};
}

// The code units up to the first NUL as UTF-8; nothing for a unit that is no character
// (a lone surrogate, a value past U+10FFFF) or one cut short by the end.
std::optional<std::string> decoded(ByteView stored, const Encoding& encoding) {
    std::string text;
    text.reserve(stored.size() / encoding.unit);
    for (std::size_t at = encoding.mark; at < stored.size(); at += encoding.unit) {
        char32_t unit = 0;
        if (encoding.unit == 4) {
            const auto value = stored.u32(at, encoding.bigEndian);
            if (!value) return std::nullopt;
            unit = *value;
        } else {
            const auto value = stored.u16(at, encoding.bigEndian);
            if (!value) return std::nullopt;
            unit = *value;
            if (unit >= 0xD800 && unit <= 0xDBFF) {
                const auto low = stored.u16(at + 2, encoding.bigEndian);
                if (!low || *low < 0xDC00 || *low > 0xDFFF) return std::nullopt;
                unit = 0x10000 + ((unit - 0xD800) << 10) + (*low - 0xDC00);
                at += 2;
            }
        }
        if (unit == 0) break;
        if ((unit >= 0xD800 && unit <= 0xDFFF) || unit > 0x10FFFF) return std::nullopt;
        appendScalar(text, unit);
    }
    return text;
}

} // namespace

std::optional<std::string> xmpText(ByteView stored) {
    const Encoding encoding = encodingOf(stored);
    std::string text;
    if (encoding.unit == 1) {
        text.assign(reinterpret_cast<const char*>(stored.data()), stored.size());
        text.resize(std::min(text.size(), text.find('\0')));
    } else if (auto utf8 = decoded(stored, encoding)) {
        text = std::move(*utf8);
    } else {
        text.assign(reinterpret_cast<const char*>(stored.data()), stored.size());
    }
    if (text.empty()) return std::nullopt;
    return text;
}

} // namespace platform
