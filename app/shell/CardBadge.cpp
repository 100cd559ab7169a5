#include "app/shell/CardBadge.h"

#include "app/batch/BatchItem.h"

namespace pictavo {

std::optional<CardBadge> cardBadge(const std::optional<SizeChange>& change,
                                   const std::vector<ConversionWarning>& warnings) {
    if (!change) {
        if (warnings.empty()) return std::nullopt;
        return CardBadge{CardBadge::Kind::warning, warningLabel(warnings.front())};
    }
    if (change->kind == SizeChange::Kind::grew) return CardBadge{CardBadge::Kind::grew, *sizeChangeText(*change)};
    for (const ConversionWarning& warning : warnings) {
        if (!std::holds_alternative<ConversionWarning::Reencoded>(warning.value())) {
            return CardBadge{CardBadge::Kind::warning, warningLabel(warning)};
        }
    }
    if (const std::optional<QString> saving = sizeChangeText(*change)) return CardBadge{CardBadge::Kind::saved, *saving};
    if (!warnings.empty()) return CardBadge{CardBadge::Kind::warning, warningLabel(warnings.front())};
    return CardBadge{CardBadge::Kind::plain, {}};
}

} // namespace pictavo
