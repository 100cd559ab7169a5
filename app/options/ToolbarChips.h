#pragma once
#include "app/options/OptionsChip.h"

#include <QWidget>

namespace pictavo {

class ConversionEngine;
class FormatChip;
class SettingsStore;
class SizeChip;

// The three chips of the main window's toolbar, side by side: format and size together, then
// options. They edit the settings store's current specification, never the batch directly.
class ToolbarChips : public QWidget {
    Q_OBJECT

public:
    ToolbarChips(SettingsStore& settings, const ConversionEngine& engine, OptionsChip::NamePreview namePreview,
                 QWidget* parent = nullptr);

    FormatChip* formatChip() const { return format_; }
    SizeChip* sizeChip() const { return size_; }
    OptionsChip* optionsChip() const { return options_; }

private:
    FormatChip* format_;
    SizeChip* size_;
    OptionsChip* options_;
};

} // namespace pictavo
