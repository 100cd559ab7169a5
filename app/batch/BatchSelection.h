#pragma once
#include <QList>
#include <QSet>

#include <optional>

namespace pictavo {

// The window's multi-selection of cards: the selected ids, the card a selection is
// extended from, and the focused card.
template <typename ID>
struct BatchSelection {
    QSet<ID> ids;
    std::optional<ID> anchor;
    std::optional<ID> focus;

    friend bool operator==(const BatchSelection&, const BatchSelection&) = default;

    // What the removal needs of the batch store.
    class Batch {
    public:
        virtual ~Batch() = default;
        virtual bool isExporting() const = 0;
        // In card order.
        virtual QList<ID> itemIds() const = 0;
        virtual void remove(const QSet<ID>& ids) = 0;
    };

    // Removes the cards from the batch and from the selection, and moves a removed focus to
    // the first surviving card at or after it, else the nearest before it; when nothing else
    // stays selected, that card is selected too (and anchors), so that the next Delete removes
    // it. Nothing happens during an export run or for no ids. `removed` is taken as a copy:
    // callers pass the selection's own ids, which this empties.
    static void removeSelected(const QSet<ID> removed, Batch& batch, BatchSelection& selection) {
        if (removed.isEmpty() || batch.isExporting()) return;
        const QList<ID> order = batch.itemIds();
        const BatchSelection old = selection;
        selection.ids.subtract(removed);
        if (old.anchor && removed.contains(*old.anchor)) selection.anchor.reset();
        if (old.focus && removed.contains(*old.focus)) {
            selection.focus = focusAfterRemoval(*old.focus, removed, order);
            if (selection.focus && selection.ids.isEmpty()) {
                selection.ids = {*selection.focus};
                selection.anchor = selection.focus;
            }
        }
        batch.remove(removed);
    }

    static std::optional<ID> focusAfterRemoval(const ID& focus, const QSet<ID>& removed, const QList<ID>& order) {
        const std::optional<qsizetype> position = indexOf(focus, order);
        const qsizetype start = position.value_or(0);
        for (qsizetype i = start; i < order.size(); ++i) {
            if (!removed.contains(order[i])) return order[i];
        }
        // Everything from the focus on is removed, so the last survivor is the nearest before it.
        for (qsizetype i = order.size() - 1; i >= 0; --i) {
            if (!removed.contains(order[i])) return order[i];
        }
        return std::nullopt;
    }

    static std::optional<qsizetype> indexOf(const ID& id, const QList<ID>& order) {
        for (qsizetype i = 0; i < order.size(); ++i) {
            if (order[i] == id) return i;
        }
        return std::nullopt;
    }
};

} // namespace pictavo
