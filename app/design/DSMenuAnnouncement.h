#pragma once
#include <QString>
#include <QStringList>

#include <cstddef>

namespace pictavo {

// What is said of a menu row after its label: "selected" when it is the current value, and its
// place among the rows, as in "selected, 2 of 5". It is the row's accessible description, so
// that a screen reader reading out the highlighted row says "PNG, Lossless, selected, 2 of 5";
// screen readers leave a row's place unsaid unless told.
inline QString spokenDetail(bool isSelected, std::size_t position, std::size_t rowCount) {
    QStringList parts;
    if (isSelected) parts << QStringLiteral("selected");
    parts << QStringLiteral("%1 of %2").arg(position + 1).arg(rowCount);
    return parts.join(QStringLiteral(", "));
}

} // namespace pictavo
