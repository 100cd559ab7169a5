#pragma once
#include "app/design/DSMenuContent.h"

namespace pictavo {

inline DSMenuRow<int> row(int tag, const char* title, std::optional<QString> subtitle = std::nullopt) {
    return {tag, QString::fromUtf8(title), std::move(subtitle), std::nullopt, false};
}

// Five rows in two groups: 1 PNG, 2 JPEG | 3 PDF, 4 Éclair, 5 Pear tart.
inline DSMenuContent<int> formats() {
    return {{{std::nullopt, {row(1, "PNG", QStringLiteral("Lossless")), row(2, "JPEG")}},
             {QStringLiteral("More"), {row(3, "PDF"), row(4, "Éclair"), row(5, "Pear tart")}}}};
}

} // namespace pictavo
