#include "platform/text/TextFormat.h"

#include <array>
#include <charconv>
#include <cmath>
#include <locale>
#include <mutex>
#include <system_error>

namespace platform {

namespace {

NumberSeparators processLocaleSeparators() {
    NumberSeparators separators;
    try {
        const std::locale processLocale("");
        const auto& punctuation = std::use_facet<std::numpunct<char>>(processLocale);
        if (!punctuation.grouping().empty()) separators.grouping = std::string(1, punctuation.thousands_sep());
        separators.decimal = std::string(1, punctuation.decimal_point());
    } catch (const std::exception&) {
        // An unknown locale name in the environment leaves the English marks.
    }
    return separators;
}

std::mutex& separatorsLock() {
    static std::mutex lock;
    return lock;
}

NumberSeparators& currentSeparators() {
    static NumberSeparators separators = processLocaleSeparators();
    return separators;
}

// |value| without the overflow of negating the most negative integer.
std::uint64_t magnitude(std::int64_t value) {
    return value < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
}

std::string groupedDigits(std::uint64_t value, const std::string& separator) {
    std::string digits = std::to_string(value);
    std::string grouped;
    grouped.reserve(digits.size() + digits.size() / 3 * separator.size());
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += separator;
        grouped += digits[i];
    }
    return grouped;
}

} // namespace

NumberSeparators numberSeparators() {
    std::lock_guard guard(separatorsLock());
    return currentSeparators();
}

void setNumberSeparators(NumberSeparators separators) {
    std::lock_guard guard(separatorsLock());
    currentSeparators() = std::move(separators);
}

std::string plainInteger(std::int64_t value) { return std::to_string(value); }

std::string groupedInteger(std::int64_t value) {
    std::string text = value < 0 ? "-" : "";
    return text + groupedDigits(magnitude(value), numberSeparators().grouping);
}

std::string byteCount(std::int64_t bytes) {
    if (bytes == 0) return "Zero kB";
    const std::string sign = bytes < 0 ? "-" : "";
    const std::uint64_t count = magnitude(bytes);
    if (count == 1) return sign + "1 byte";
    if (count < 1000) return sign + std::to_string(count) + " bytes";

    struct Unit {
        const char* name;
        std::uint64_t size;
        int fractionDigits;
    };
    static constexpr std::array<Unit, 6> units{{
        {"kB", 1'000ULL, 0},
        {"MB", 1'000'000ULL, 1},
        {"GB", 1'000'000'000ULL, 2},
        {"TB", 1'000'000'000'000ULL, 2},
        {"PB", 1'000'000'000'000'000ULL, 2},
        {"EB", 1'000'000'000'000'000'000ULL, 2},
    }};
    for (std::size_t index = 0; index < units.size(); ++index) {
        const Unit& unit = units[index];
        std::uint64_t fractionScale = 1;
        for (int i = 0; i < unit.fractionDigits; ++i) fractionScale *= 10;
        // Counted in steps of the last shown digit, rounded half up; every step divides
        // the unit exactly, and the count cannot overflow (it is below 2^63 + 2^62).
        const std::uint64_t step = unit.size / fractionScale;
        const std::uint64_t steps = (count + step / 2) / step;
        if (steps >= 1000 * fractionScale && index + 1 < units.size()) continue;

        std::string text = sign + std::to_string(steps / fractionScale);
        if (unit.fractionDigits > 0) {
            std::string fraction = std::to_string(steps % fractionScale);
            fraction.insert(0, static_cast<std::size_t>(unit.fractionDigits) - fraction.size(), '0');
            while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
            if (!fraction.empty()) text += numberSeparators().decimal + fraction;
        }
        return text + " " + unit.name;
    }
    return {}; // not reached: the last unit always answers
}

std::string doubleText(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";

    constexpr double largestFixed = 9007199254740992.0; // 2^53
    constexpr double smallestFixed = 0.0001;
    const double size = std::fabs(value);
    const bool fixed = size == 0 || (size >= smallestFixed && size <= largestFixed);

    std::array<char, 64> buffer{};
    const auto format = fixed ? std::chars_format::fixed : std::chars_format::scientific;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format);
    std::string text(buffer.data(), result.ptr);
    if (fixed && text.find('.') == std::string::npos) text += ".0";
    return text;
}

} // namespace platform
