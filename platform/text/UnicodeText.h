#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

inline constexpr char32_t replacementCharacter = U'\uFFFD';

// One Unicode scalar read from UTF-8, with the number of bytes it took. A byte that does
// not begin a well-formed sequence (a stray continuation byte, an overlong form, a
// surrogate, a value past U+10FFFF, a sequence cut short) reads as U+FFFD and takes one
// byte, so a walk always moves forward and never reads past the end.
struct DecodedScalar {
    char32_t scalar = 0;
    std::size_t length = 0;
};

// Reads the scalar that starts at `offset`; `offset` must lie inside the text.
DecodedScalar decodeScalar(std::string_view text, std::size_t offset);

std::vector<char32_t> scalars(std::string_view text);

// Well-formed UTF-8 only: no overlong forms, surrogates, values past U+10FFFF or cut-short
// sequences. A real U+FFFD is well-formed.
bool isValidUTF8(std::string_view text);

// Unicode lower case by the root locale's rules, the same whatever the user's locale; the
// result may differ in length from the text.
std::string unicodeLowercased(std::string_view text);
void appendScalar(std::string& text, char32_t scalar);

// Unicode White_Space: spaces, tabs, line and paragraph breaks of every script.
bool isWhitespaceOrNewline(char32_t scalar);
// Unicode general category Cc: U+0000 to U+001F and U+007F to U+009F.
bool isControlCharacter(char32_t scalar);

std::string_view trimmingWhitespaceAndNewlines(std::string_view text);

// Only A-Z change: enough for file extensions and identifiers, which are ASCII.
std::string asciiLowercased(std::string_view text);
std::string asciiUppercased(std::string_view text);
bool equalsIgnoringASCIICase(std::string_view a, std::string_view b);
bool hasSuffixIgnoringASCIICase(std::string_view text, std::string_view suffix);

} // namespace platform
