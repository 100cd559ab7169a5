#pragma once
#include "app/design/DSMenuContent.h"

#include <QString>

#include <optional>

namespace pictavo {

// What has been typed to select a menu row by the start of its title. Keys less than 0.75 s
// apart continue the text; a longer pause starts it again.
struct DSTypeSelect {
    static constexpr double window = 0.75;

    QString buffer;
    // The event time of the last accepted key, in seconds.
    std::optional<double> lastKeyAt;

    bool operator==(const DSTypeSelect&) const = default;

    bool isRunning(double now) const { return lastKeyAt && !buffer.isEmpty() && now - *lastKeyAt < window; }

    void type(const QString& characters, double now) {
        if (!lastKeyAt || now - *lastKeyAt >= window) {
            buffer = characters;
        } else {
            buffer += characters;
        }
        lastKeyAt = now;
    }
};

// Text folded so that case and accents do not count.
QString foldedForTypeSelect(const QString& text);

// The first row after the start-after row, wrapping round and trying that row last, whose title
// begins with the buffer, ignoring case and accents. Only titles are searched.
template <typename T>
std::optional<T> typeSelectMatch(const DSMenuContent<T>& content, const QString& buffer,
                                 const std::optional<T>& startAfter) {
    const std::vector<DSMenuRow<T>> rows = content.allRows();
    if (buffer.isEmpty() || rows.empty()) return std::nullopt;
    const std::optional<std::size_t> after = startAfter ? content.position(*startAfter) : std::nullopt;
    const std::size_t start = after ? *after + 1 : 0;
    const QString wanted = foldedForTypeSelect(buffer);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const DSMenuRow<T>& row = rows[(start + i) % rows.size()];
        if (foldedForTypeSelect(row.title).startsWith(wanted)) return row.tag;
    }
    return std::nullopt;
}

} // namespace pictavo
