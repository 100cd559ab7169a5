#pragma once
#include <QString>

#include <optional>

namespace pictavo {

// Orders two dotted version numbers segment by segment as numbers, so "1.10" comes after
// "1.9" and "2" equals "2.0". None when either is not made only of dot-separated digits.
std::optional<int> compareVersions(const QString& left, const QString& right);

} // namespace pictavo
