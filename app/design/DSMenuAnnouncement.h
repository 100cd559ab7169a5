#pragma once
#include "app/design/DSMenuContent.h"

#include <QString>

#include <optional>

namespace pictavo {

// What is spoken when a row is highlighted: its label, "selected" when it is the current value,
// and its place among the rows, as in "PNG, Lossless, selected, 2 of 5". None when no row
// carries the tag.
template <typename T>
std::optional<QString> accessibilityAnnouncement(const DSMenuContent<T>& content, const T& tag,
                                                 const std::optional<T>& selection) {
    const std::optional<std::size_t> position = content.position(tag);
    if (!position) return std::nullopt;
    QStringList parts{content.allRows()[*position].spokenLabel()};
    if (selection == tag) parts << QStringLiteral("selected");
    parts << QStringLiteral("%1 of %2").arg(*position + 1).arg(content.rowCount());
    return parts.join(QStringLiteral(", "));
}

} // namespace pictavo
