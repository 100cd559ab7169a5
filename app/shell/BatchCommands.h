#pragma once
#include <QString>

#include <cstdint>

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

// "Remove" for fewer than two cards, else "Remove 12 Images".
QString removeTitle(std::int64_t count);

} // namespace pictavo
