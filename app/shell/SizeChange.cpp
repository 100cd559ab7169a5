#include "app/shell/SizeChange.h"

#include "app/batch/BatchItem.h"

#include <algorithm>
#include <cmath>

namespace pictavo {

PercentSaved percentSaved(std::int64_t source, std::int64_t output) {
    if (source < 1 || output >= source) return {0, true};
    const double percent =
        std::trunc((static_cast<double>(source) - static_cast<double>(output)) / static_cast<double>(source) * 100.0);
    return {std::max(static_cast<int>(percent), 0), percent < 1};
}

SizeChange SizeChange::between(std::int64_t source, std::int64_t output) {
    if (output > source) return {Kind::grew, output - source, 0, false};
    if (output == source) return {Kind::same, 0, 0, false};
    const PercentSaved saved = percentSaved(source, output);
    return {Kind::saved, source - output, saved.percent, saved.underOnePercent};
}

std::optional<QString> sizeChangeText(const SizeChange& change) {
    switch (change.kind) {
    case SizeChange::Kind::saved:
        if (change.underOnePercent) return std::nullopt;
        return QStringLiteral("\u2212") + QString::number(change.percent) + QLatin1Char('%');
    case SizeChange::Kind::grew:
        return QLatin1Char('+') + byteCountText(change.bytes);
    case SizeChange::Kind::same:
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace pictavo
