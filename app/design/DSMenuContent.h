#pragma once
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace pictavo {

// One row of a pop-up menu. The tag is the row's identity: the value reported when the row is
// chosen and the target of scrolling. Tags are meant to be unique within a menu; every lookup
// by tag takes the first row that carries it.
template <typename T>
struct DSMenuRow {
    T tag;
    QString title;
    std::optional<QString> subtitle;
    // Shown at the row's end.
    std::optional<QString> trailing;
    bool isDestructive = false;

    bool operator==(const DSMenuRow&) const = default;

    // Title, subtitle and trailing text, those that are present, joined with ", "; the row's
    // accessible name and the start of what is spoken when it is highlighted.
    QString spokenLabel() const {
        QStringList parts{title};
        if (subtitle) parts << *subtitle;
        if (trailing) parts << *trailing;
        return parts.join(QStringLiteral(", "));
    }
};

template <typename T>
struct DSMenuGroup {
    // Shown above the group's rows.
    std::optional<QString> heading;
    std::vector<DSMenuRow<T>> rows;

    bool operator==(const DSMenuGroup&) const = default;
};

// What a pop-up menu shows: groups of rows. Row positions are positions in `allRows`.
template <typename T>
struct DSMenuContent {
    std::vector<DSMenuGroup<T>> groups;

    bool operator==(const DSMenuContent&) const = default;

    std::vector<DSMenuRow<T>> allRows() const {
        std::vector<DSMenuRow<T>> rows;
        for (const DSMenuGroup<T>& group : groups) rows.insert(rows.end(), group.rows.begin(), group.rows.end());
        return rows;
    }

    // The position of the first row carrying the tag.
    std::optional<std::size_t> position(const T& tag) const {
        std::size_t index = 0;
        for (const DSMenuGroup<T>& group : groups) {
            for (const DSMenuRow<T>& row : group.rows) {
                if (row.tag == tag) return index;
                ++index;
            }
        }
        return std::nullopt;
    }

    std::size_t rowCount() const {
        std::size_t count = 0;
        for (const DSMenuGroup<T>& group : groups) count += group.rows.size();
        return count;
    }
};

} // namespace pictavo
