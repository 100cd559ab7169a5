#pragma once
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <cstdint>
#include <optional>

namespace pictavo {

// What the menu bar may do with the window's batch right now. Every command checks again
// when it runs, since a disabled menu item's shortcut never fires but a queued one may.
struct BatchCommands {
    bool canOpen = false;
    bool canExport = false;
    bool canRemoveSelected = false;
    bool canRevealExported = false;
    // How many cards Remove acts on: the selected ones, or the one the keyboard moved to.
    std::int64_t selectionCount = 0;
    friend bool operator==(const BatchCommands&, const BatchCommands&) = default;

    static BatchCommands of(std::int64_t itemCount, bool isExporting, std::int64_t selectionCount,
                            std::int64_t exportedCount);
};

// What a Remove asked for on `card` acts on (Delete and the Edit menu ask on the card the
// keyboard is on, a card's own menu on its card): every selected card when that card is one of
// them or no card is given, else that card alone, whatever else is selected.
QSet<QUuid> cardsRemovedFrom(const QSet<QUuid>& selected, const std::optional<QUuid>& card);

// "Remove" for fewer than two cards, else "Remove 12 Images".
QString removeTitle(std::int64_t count);
// The row that removes these cards names them: "Remove p3.jpg" for one, else as above.
QString removeTitle(const QStringList& names);

} // namespace pictavo
