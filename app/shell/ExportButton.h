#pragma once
#include "app/design/DSCapsuleButton.h"

#include <cstdint>

namespace pictavo {

// The window's primary toolbar button: exports the whole batch, and says so when the
// originals are about to be replaced.
class ExportButton : public DSCapsuleButton {
    Q_OBJECT

public:
    explicit ExportButton(QWidget* parent = nullptr);

    // "Exporting…" during an export; "Replace 3 Images" when replacing; else "Export".
    static QString title(std::int64_t count, bool replacing, bool exporting);
    // Filled while the batch holds a card; disabled while it is empty or being exported.
    void refresh(std::int64_t count, bool replacing, bool exporting);
};

} // namespace pictavo
