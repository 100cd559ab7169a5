#pragma once
#include "ImageEngine/Model/ConversionWarning.h"
#include "app/shell/SizeChange.h"

#include <QString>

#include <optional>
#include <vector>

namespace pictavo {

// The pill a card shows beside its size.
struct CardBadge {
    enum class Kind { saved, grew, warning, plain };
    Kind kind = Kind::plain;
    // The saving or growth text, or the warning's label; empty for plain.
    QString text;
    friend bool operator==(const CardBadge&, const CardBadge&) = default;
};

// The size change is given only while the card holds an estimate, the warnings only while it
// is estimated or exported. A growth always shows; then a warning other than re-encoding; then
// a saving of one percent or more; then a re-encoding; else "no change".
std::optional<CardBadge> cardBadge(const std::optional<SizeChange>& change, const std::vector<ConversionWarning>& warnings);

} // namespace pictavo
