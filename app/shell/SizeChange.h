#pragma once
#include <QString>

#include <cstdint>
#include <optional>

namespace pictavo {

// The whole percent an output saves on its source, truncated (33.9 is 33); 0 and under one
// percent when the source is empty or the output is not smaller.
struct PercentSaved {
    int percent = 0;
    bool underOnePercent = true;
    friend bool operator==(const PercentSaved&, const PercentSaved&) = default;
};
PercentSaved percentSaved(std::int64_t source, std::int64_t output);

// How an output's size compares with its source's.
struct SizeChange {
    enum class Kind { saved, grew, same };
    Kind kind = Kind::same;
    // Saved or added; 0 for the same size.
    std::int64_t bytes = 0;
    // Of a saving only.
    int percent = 0;
    bool underOnePercent = false;

    static SizeChange between(std::int64_t source, std::int64_t output);
    friend bool operator==(const SizeChange&, const SizeChange&) = default;
};

// A card's badge: "−33%" (with the minus sign U+2212) for a saving of one percent or more,
// "+" and the file size for a growth, none otherwise.
std::optional<QString> sizeChangeText(const SizeChange& change);

} // namespace pictavo
