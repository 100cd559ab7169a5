#pragma once
#include <cstdint>
#include <string>

namespace platform {

// The marks that numbers shown to the user are written with. They start as the process
// locale's (a comma for grouping when the locale has none); the application replaces them
// with its own locale's once it knows it.
struct NumberSeparators {
    std::string grouping = ",";
    std::string decimal = ".";
    friend bool operator==(const NumberSeparators&, const NumberSeparators&) = default;
};

NumberSeparators numberSeparators();
void setNumberSeparators(NumberSeparators separators);

// Decimal digits with a leading "-" when negative, never grouped: 12000 reads "12000".
std::string plainInteger(std::int64_t value);

// Digits in groups of three: 12000 reads "12,000" with English separators.
std::string groupedInteger(std::int64_t value);

// A file size as the file manager shows it, in decimal units (1 kB = 1,000 bytes):
// "Zero kB", "1 byte", "999 bytes", "12 kB", "1.5 MB", "2.25 GB". Kilobytes carry no
// fraction, megabytes one digit, larger units two; trailing zeros are dropped, and a value
// that rounds up to 1,000 of its unit is shown in the next unit instead.
std::string byteCount(std::int64_t bytes);

// The shortest text that reads back as the same double, with ".0" on whole numbers
// ("12000.0", "9000.4"), exponent form from 2^53 up and below 0.0001 ("1e+16", "1e-05"),
// and "inf", "-inf" and "nan".
std::string doubleText(double value);

} // namespace platform
