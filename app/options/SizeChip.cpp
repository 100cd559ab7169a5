#include "app/options/SizeChip.h"

#include "app/options/ApplyChipFace.h"
#include "app/options/ChipLabel.h"
#include "app/options/CustomSizeEditor.h"
#include "app/settings/SettingsStore.h"

#include <QTimer>

namespace pictavo {

SizeChip::SizeChip(SettingsStore& settings, QWidget* parent)
    : DSCapsuleButton(DSCapsuleButtonStyle{DSCapsuleButtonStyle::Role::chip, false, true}, parent),
      settings_(settings), lastSizing_(settings.spec().sizing), label_(nullptr),
      custom_(new DSPanelPresenter(this, CustomSizeEditor::fittingWidth(),
                                   [this] {
                                       customContent_ = new CustomSizeEditor(
                                           {[this] { return settings_.spec().sizing; },
                                            [this](const ResizeSpec& sizing) { setSizing(sizing); }});
                                       return customContent_.data();
                                   })),
      menu_(new DSMenuPresenter<SizeMenu::Tag>(this, menuWidth)) {
    menu_->setOnChoose([this](const SizeMenu::Tag& tag) { choose(tag); });
    connect(this, &QAbstractButton::clicked, menu_, [this] { menu_->setPresented(!menu_->isPresented()); });
    connect(menu_, &DSPresenter::presentedChanged, this, &DSCapsuleButton::setOpen);
    connect(&settings_, &SettingsStore::specChanged, this, &SizeChip::specChanged);
    connect(&settings_, &SettingsStore::defaultSpecChanged, this, &SizeChip::refresh);
    // A custom box left empty reads "auto × auto" while the original size is in force; once every
    // setting is back to its default, the chip names the size itself.
    connect(&settings_, &SettingsStore::builtInDefaultsRestored, this, [this] {
        choice_.reset();
        refresh();
    });
    refresh();
}

CustomSizeEditor* SizeChip::customContent() const { return customContent_; }

SizeChoice::Resolution SizeChip::resolution() const { return SizeChoice::resolve(choice_, settings_.spec().sizing); }

ChipFace SizeChip::face() const { return ChipFace::size(resolution().label); }

void SizeChip::refresh() {
    const SizeChoice::Resolution resolved = resolution();
    applyChipFace(*this, label_, ChipFace::size(resolved.label));
    menu_->setContent(SizeMenu::content(resolved.label, settings_.sectionMatchesDefault(SpecSection::size)));
    menu_->setSelection(SizeMenu::Tag::value(resolved.shown));
    if (customContent_) customContent_->refresh();
}

void SizeChip::specChanged() {
    const ResizeSpec& sizing = settings_.spec().sizing;
    // Whatever changed the sizing, a preset is remembered only while it still describes it.
    if (!(sizing == lastSizing_)) {
        lastSizing_ = sizing;
        choice_ = SizeChoice::resolve(choice_, sizing).kept;
    }
    refresh();
}

void SizeChip::setSizing(const ResizeSpec& sizing) {
    OutputSpec spec = settings_.spec();
    spec.sizing = sizing;
    settings_.setSpec(spec);
}

void SizeChip::choose(const SizeMenu::Tag& tag) {
    if (tag.isSaveAsDefault()) {
        settings_.saveSectionAsDefault(SpecSection::size);
        return;
    }
    const SizeChoice preset = *tag.chosenValue();
    choice_ = preset;
    setSizing(preset.resize());
    refresh();
    if (preset == SizeChoice(SizeChoice::custom)) {
        // Once the menu has closed and its press has been delivered, so the press does not
        // dismiss the new pop-over.
        QTimer::singleShot(0, custom_, [this] { custom_->setPresented(true); });
    }
}

} // namespace pictavo
