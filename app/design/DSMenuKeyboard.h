#pragma once
#include "app/design/DSEventMonitor.h"
#include "app/design/DSMenuHighlight.h"
#include "app/design/DSTypeSelect.h"

#include <optional>

namespace pictavo {

// What a key does to an open menu.
template <typename T>
struct DSMenuKeyOutcome {
    // The key goes no further.
    bool consumed = false;
    // Choose the highlighted row.
    bool choose = false;
    std::optional<DSMenuHighlight<T>> highlight;
};

namespace menukeys {

// Letters, marks and digits of any script start or continue a type-select run.
bool hasAlphanumeric(const QString& text);

// A key that is no move and no choice selects a row by the start of its title.
template <typename T>
DSMenuKeyOutcome<T> typeSelect(const DSMenuContent<T>& content, const std::optional<T>& highlighted,
                               DSTypeSelect& typeSelect, const DSKeyEvent& key) {
    // Shortcuts pass through to the application while the menu is open.
    if (key.modifiers & Qt::ControlModifier) return {};
    if (key.text.isEmpty()) return {};
    const bool accepted = hasAlphanumeric(key.text) ||
                          (key.text == QStringLiteral(" ") && typeSelect.isRunning(key.timestamp));
    if (!accepted) return {};
    typeSelect.type(key.text, key.timestamp);
    // A longer text tries the highlighted row itself first; one letter moves on from it.
    std::optional<T> startAfter = highlighted;
    if (typeSelect.buffer.toUcs4().size() > 1) {
        startAfter = moveHighlight(content, DSMenuMove::previous, highlighted).tag;
    }
    const std::optional<T> match = typeSelectMatch(content, typeSelect.buffer, startAfter);
    if (!match) return {true, false, std::nullopt};
    return {true, false, DSMenuHighlight<T>{match, match}};
}

} // namespace menukeys

// Arrows, Home and End move the highlight round the menu; Return, Enter and Space choose the
// highlighted row; letters and digits select by title. Keys the menu has no use for pass on.
template <typename T>
DSMenuKeyOutcome<T> menuKeyOutcome(const DSMenuContent<T>& content, const std::optional<T>& highlighted,
                                   DSTypeSelect& typeSelect, const DSKeyEvent& key) {
    const auto move = [&](DSMenuMove direction) {
        return DSMenuKeyOutcome<T>{true, false, moveHighlight(content, direction, highlighted)};
    };
    switch (key.key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return {true, true, std::nullopt};
    case Qt::Key_Space:
        // Within a run a space belongs to the title being typed.
        if (typeSelect.isRunning(key.timestamp)) return menukeys::typeSelect(content, highlighted, typeSelect, key);
        return {true, true, std::nullopt};
    case Qt::Key_Down: return move(DSMenuMove::next);
    case Qt::Key_Up: return move(DSMenuMove::previous);
    case Qt::Key_Home: return move(DSMenuMove::first);
    case Qt::Key_End: return move(DSMenuMove::last);
    default: return menukeys::typeSelect(content, highlighted, typeSelect, key);
    }
}

} // namespace pictavo
