#include "app/preferences/VersionOrder.h"

#include <QStringList>

#include <vector>

namespace pictavo {
namespace {

std::optional<std::vector<unsigned long long>> segments(const QString& version) {
    const QStringList parts = version.trimmed().split(QLatin1Char('.'));
    std::vector<unsigned long long> numbers;
    for (const QString& part : parts) {
        bool ok = false;
        // Digits only: toULongLong alone would take "+1" or " 1".
        for (const QChar c : part)
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        const unsigned long long number = part.toULongLong(&ok);
        if (!ok) return std::nullopt;
        numbers.push_back(number);
    }
    return numbers;
}

} // namespace

std::optional<int> compareVersions(const QString& left, const QString& right) {
    const auto a = segments(left);
    const auto b = segments(right);
    if (!a || !b) return std::nullopt;
    const std::size_t count = std::max(a->size(), b->size());
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned long long x = i < a->size() ? (*a)[i] : 0;
        const unsigned long long y = i < b->size() ? (*b)[i] : 0;
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

} // namespace pictavo
