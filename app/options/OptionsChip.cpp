#include "app/options/OptionsChip.h"

#include "app/options/ChipButton.h"
#include "app/options/ChipLabel.h"
#include "app/options/OptionsPanel.h"
#include "app/options/SpecBindings.h"
#include "app/settings/SettingsStore.h"

namespace pictavo {

OptionsChip::OptionsChip(SettingsStore& settings, NamePreview namePreview, QWidget* parent)
    : DSCapsuleButton(DSCapsuleButtonStyle{DSCapsuleButtonStyle::Role::quietChip, false, true}, parent),
      settings_(settings), namePreview_(std::move(namePreview)), label_(nullptr),
      presenter_(new DSPanelPresenter(this, panelWidth, [this] { return makePanel(); })) {
    applyChipFace(*this, label_, ChipFace::options());
    connect(this, &QAbstractButton::clicked, presenter_, [this] { presenter_->setPresented(!presenter_->isPresented()); });
    connect(presenter_, &DSPresenter::presentedChanged, this, &DSCapsuleButton::setOpen);
    connect(&settings_, &SettingsStore::specChanged, this, &OptionsChip::refreshPanel);
    connect(&settings_, &SettingsStore::defaultSpecChanged, this, &OptionsChip::refreshPanel);
}

OptionsPanel* OptionsChip::panel() const { return panel_; }

OptionsPanel* OptionsChip::makePanel() {
    SettingsStore& settings = settings_;
    panel_ = new OptionsPanel({currentSpecBinding(settings),
                               [&settings] { return !settings.sectionMatchesDefault(SpecSection::options); },
                               [&settings] { settings.saveSectionAsDefault(SpecSection::options); }, namePreview_});
    panel_->setContentsMargins(panelPadding, panelPadding, panelPadding, panelPadding);
    return panel_;
}

void OptionsChip::refreshPanel() {
    if (panel_) panel_->refresh();
}

} // namespace pictavo
