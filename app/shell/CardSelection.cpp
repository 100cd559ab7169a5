#include "app/shell/CardSelection.h"

#include <algorithm>

namespace pictavo::CardSelection {

ClickMode clickMode(Qt::KeyboardModifiers modifiers) {
    if (modifiers.testFlag(Qt::ControlModifier)) return ClickMode::toggle;
    if (modifiers.testFlag(Qt::ShiftModifier)) return ClickMode::extend;
    return ClickMode::plain;
}

void click(Selection& selection, const QUuid& card, ClickMode mode, const QList<QUuid>& order) {
    selection.focus = card;
    if (mode == ClickMode::extend && selection.anchor) {
        const qsizetype from = order.indexOf(*selection.anchor);
        const qsizetype to = order.indexOf(card);
        if (from >= 0 && to >= 0) {
            for (qsizetype i = std::min(from, to); i <= std::max(from, to); ++i) selection.ids.insert(order[i]);
            return;
        }
    }
    if (mode == ClickMode::toggle) {
        if (!selection.ids.remove(card)) selection.ids.insert(card);
    } else {
        selection.ids = {card};
    }
    selection.anchor = card;
}

std::optional<qsizetype> arrowTarget(qsizetype count, qsizetype focused, std::optional<int> columns, Arrow arrow) {
    if (focused < 0 || focused >= count) return std::nullopt;
    switch (arrow) {
    case Arrow::left:
        return focused > 0 ? std::optional(focused - 1) : std::nullopt;
    case Arrow::right:
        return focused + 1 < count ? std::optional(focused + 1) : std::nullopt;
    case Arrow::up:
        if (!columns || *columns < 1) return std::nullopt;
        return focused - *columns >= 0 ? std::optional(focused - *columns) : std::nullopt;
    case Arrow::down: {
        if (!columns || *columns < 1) return std::nullopt;
        const qsizetype n = *columns;
        if (focused + n < count) return focused + n;
        if (focused / n < (count - 1) / n) return count - 1;
        return std::nullopt;
    }
    }
    return std::nullopt;
}

void moveTo(Selection& selection, const QUuid& target, bool shift) {
    selection.focus = target;
    if (shift) {
        selection.ids.insert(target);
    } else {
        selection.ids = {target};
    }
}

void toggle(Selection& selection, const QUuid& card) {
    if (!selection.ids.remove(card)) selection.ids.insert(card);
}

void selectAll(Selection& selection, const QList<QUuid>& order) {
    selection.ids = QSet<QUuid>(order.begin(), order.end());
}

void clearIds(Selection& selection) { selection.ids.clear(); }

} // namespace pictavo::CardSelection
