#pragma once
#include "app/design/DSCapsuleButton.h"
#include "app/design/DSMenuPresenter.h"
#include "app/design/DSPanelPresenter.h"
#include "app/options/ChipFace.h"
#include "app/options/SizeMenu.h"

#include <QPointer>

#include <optional>

namespace pictavo {

class ChipLabel;
class CustomSizeEditor;
class SettingsStore;

// The toolbar chip of the output size: shows the size, opens the preset menu, and after
// "Custom…" a pop-over with the box's two sides. It remembers the preset last picked for as
// long as that preset still describes the sizing, which tells an empty custom box from the
// original size, and forgets it when every setting is put back to its default.
class SizeChip : public DSCapsuleButton {
    Q_OBJECT

public:
    static constexpr int menuWidth = 330;

    explicit SizeChip(SettingsStore& settings, QWidget* parent = nullptr);

    const std::optional<SizeChoice>& choice() const { return choice_; }
    SizeChoice::Resolution resolution() const;
    ChipFace face() const;
    ChipLabel* chipLabel() const { return label_; }
    DSMenuPresenter<SizeMenu::Tag>* menu() const { return menu_; }
    DSPanelPresenter* customEditor() const { return custom_; }
    // The open custom pop-over's content; none while it is closed.
    CustomSizeEditor* customContent() const;
    void refresh();

private:
    void choose(const SizeMenu::Tag& tag);
    void specChanged();
    void setSizing(const ResizeSpec& sizing);

    SettingsStore& settings_;
    std::optional<SizeChoice> choice_;
    ResizeSpec lastSizing_;
    ChipLabel* label_;
    // Made before the menu, so that a press handed over from another open panel opens the menu.
    DSPanelPresenter* custom_;
    DSMenuPresenter<SizeMenu::Tag>* menu_;
    QPointer<CustomSizeEditor> customContent_;
};

} // namespace pictavo
