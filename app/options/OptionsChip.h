#pragma once
#include "app/design/DSCapsuleButton.h"
#include "app/design/DSPanelPresenter.h"
#include "app/options/ChipFace.h"
#include "app/options/FilenameSubject.h"

#include <QPointer>

#include <functional>

namespace pictavo {

class ChipLabel;
class OptionsPanel;
class SettingsStore;

// The toolbar chip that opens the options panel in a pop-over. The panel is made each time the
// pop-over opens and follows the specification while it is open.
class OptionsChip : public DSCapsuleButton {
    Q_OBJECT

public:
    static constexpr int panelWidth = 308;
    static constexpr int panelPadding = 16;

    using NamePreview = std::function<FilenameSubject()>;

    OptionsChip(SettingsStore& settings, NamePreview namePreview, QWidget* parent = nullptr);

    ChipLabel* chipLabel() const { return label_; }
    DSPanelPresenter* presenter() const { return presenter_; }
    // The open panel; none while it is closed.
    OptionsPanel* panel() const;

private:
    OptionsPanel* makePanel();
    void refreshPanel();

    SettingsStore& settings_;
    NamePreview namePreview_;
    ChipLabel* label_;
    DSPanelPresenter* presenter_;
    QPointer<OptionsPanel> panel_;
};

} // namespace pictavo
