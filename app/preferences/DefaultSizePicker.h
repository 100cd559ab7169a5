#pragma once
#include "app/options/SizeChoice.h"
#include "app/settings/SettingsStore.h"

#include <QComboBox>

#include <optional>

namespace pictavo {

class CustomSizeEditor;

// The default size as a pop-up of presets, with the width and height of a custom box beside it.
// The preset last picked here is remembered while it still describes the default sizing, so
// "Custom…" stays selected over an empty box; it lives as long as the picker.
class DefaultSizePicker : public QComboBox {
    Q_OBJECT

public:
    DefaultSizePicker(SettingsStore& settings, QWidget* parent = nullptr);

    // The Width and Height fields, for the row shown while "Custom…" is selected.
    CustomSizeEditor* dimensions() const { return dimensions_; }
    bool showsCustom() const;
    void forgetChoice();

Q_SIGNALS:
    void shownChoiceChanged();

private:
    void defaultSpecChanged();
    void refresh();

    SettingsStore& settings_;
    std::optional<SizeChoice> choice_;
    ResizeSpec lastSizing_;
    CustomSizeEditor* dimensions_;
};

} // namespace pictavo
