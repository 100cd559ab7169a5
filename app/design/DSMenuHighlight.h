#pragma once
#include "app/design/DSMenuContent.h"

#include <cstdint>
#include <optional>

namespace pictavo {

// One change of a menu's highlight: the row drawn highlighted (none clears it) and the row to
// bring into view (none scrolls nothing).
template <typename T>
struct DSMenuHighlight {
    std::optional<T> tag;
    std::optional<T> scrollTarget;

    bool operator==(const DSMenuHighlight&) const = default;

    // At opening the selection is highlighted, and scrolled to only when a row carries it.
    static DSMenuHighlight initial(const DSMenuContent<T>& content, const std::optional<T>& selection) {
        DSMenuHighlight highlight{selection, std::nullopt};
        if (selection && content.position(*selection)) highlight.scrollTarget = selection;
        return highlight;
    }
};

// A request to bring a row into view. Serial 0 is the request of the opening, centred; each later
// one counts up from the one before, so that two requests for the same row both scroll.
template <typename T>
struct DSMenuScrollRequest {
    T tag;
    std::int64_t serial = 0;

    bool operator==(const DSMenuScrollRequest&) const = default;

    static DSMenuScrollRequest following(const std::optional<DSMenuScrollRequest>& previous, T tag) {
        return {std::move(tag), previous ? previous->serial + 1 : 1};
    }
};

// The keyboard's highlight moves.
enum class DSMenuMove { next, previous, first, last };

// The highlight after a move over all rows. Moves wrap around the ends; from no highlight (or one
// that no row carries) `next` goes to the first row and `previous` to the last.
template <typename T>
DSMenuHighlight<T> moveHighlight(const DSMenuContent<T>& content, DSMenuMove move, const std::optional<T>& highlighted) {
    const std::vector<DSMenuRow<T>> rows = content.allRows();
    const std::size_t count = rows.size();
    if (count == 0) return {};
    std::size_t target = 0;
    switch (move) {
    case DSMenuMove::first: target = 0; break;
    case DSMenuMove::last: target = count - 1; break;
    case DSMenuMove::next:
    case DSMenuMove::previous: {
        const std::optional<std::size_t> current = highlighted ? content.position(*highlighted) : std::nullopt;
        if (!current) {
            target = move == DSMenuMove::next ? 0 : count - 1;
        } else {
            target = move == DSMenuMove::next ? (*current + 1) % count : (*current + count - 1) % count;
        }
        break;
    }
    }
    return {rows[target].tag, rows[target].tag};
}

} // namespace pictavo
