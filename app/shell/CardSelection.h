#pragma once
#include "app/batch/BatchSelection.h"

#include <QList>
#include <QUuid>
#include <Qt>

#include <optional>

namespace pictavo {

// What clicks and keys on the card grid do to the window's selection. Keys never move the
// anchor: after arrow moves, a Shift-click still extends from the last plain or Ctrl click.
namespace CardSelection {

using Selection = BatchSelection<QUuid>;

enum class ClickMode { plain, toggle, extend };
enum class Arrow { left, right, up, down };

// Ctrl toggles, with or without Shift; Shift alone extends.
ClickMode clickMode(Qt::KeyboardModifiers modifiers);

// The focus moves to the card in every mode. Plain selects the card alone and anchors there;
// toggle flips the card and anchors there; extend adds every card from the anchor to this
// one and keeps the anchor, or acts as plain without an anchor or with a card not in `order`.
void click(Selection& selection, const QUuid& card, ClickMode mode, const QList<QUuid>& order);

// The position an arrow moves to from `focused` among `count` cards laid out in `columns`,
// or none: no wrapping at the edges, and Down from above the last row lands on the last card.
std::optional<qsizetype> arrowTarget(qsizetype count, qsizetype focused, std::optional<int> columns, Arrow arrow);

// An arrow's move to `target`: the focus goes there; with Shift the card joins the selection,
// without it the card becomes the selection.
void moveTo(Selection& selection, const QUuid& target, bool shift);

// Space: the card leaves the selection or joins it; anchor and focus stay.
void toggle(Selection& selection, const QUuid& card);
void selectAll(Selection& selection, const QList<QUuid>& order);
// Escape, or a click on the grid's empty area: nothing selected, anchor and focus kept.
void clearIds(Selection& selection);

} // namespace CardSelection

} // namespace pictavo
