#pragma once
#include "app/design/DSCapsuleButton.h"
#include "app/design/DSMenuPresenter.h"
#include "app/options/ChipFace.h"
#include "app/options/FormatMenu.h"

namespace pictavo {

class ChipLabel;
class ConversionEngine;
class SettingsStore;

// The toolbar chip of the output format: shows the current format and opens the format menu,
// which ends with "Save as default" while the format differs from the default one.
class FormatChip : public DSCapsuleButton {
    Q_OBJECT

public:
    static constexpr int menuWidth = 220;

    // The menu offers what `engine` writes.
    FormatChip(SettingsStore& settings, const ConversionEngine& engine, QWidget* parent = nullptr);

    ChipFace face() const;
    ChipLabel* chipLabel() const { return label_; }
    DSMenuPresenter<FormatMenu::Tag>* menu() const { return menu_; }
    void refresh();

private:
    void choose(const FormatMenu::Tag& tag);

    SettingsStore& settings_;
    const std::vector<OutputFormat> featured_;
    const std::vector<OutputFormat> all_;
    ChipLabel* label_;
    DSMenuPresenter<FormatMenu::Tag>* menu_;
};

} // namespace pictavo
