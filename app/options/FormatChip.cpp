#include "app/options/FormatChip.h"

#include "app/options/ApplyChipFace.h"
#include "app/options/ChipLabel.h"
#include "app/settings/SettingsStore.h"

namespace pictavo {

FormatChip::FormatChip(SettingsStore& settings, const ConversionEngine& engine, QWidget* parent)
    : DSCapsuleButton(DSCapsuleButtonStyle{DSCapsuleButtonStyle::Role::chip, false, true}, parent),
      settings_(settings), featured_(FormatMenu::featuredFormats(engine)), all_(FormatMenu::allFormats(engine)),
      label_(nullptr), menu_(new DSMenuPresenter<FormatMenu::Tag>(this, menuWidth)) {
    menu_->setOnChoose([this](const FormatMenu::Tag& tag) { choose(tag); });
    connect(this, &QAbstractButton::clicked, menu_, [this] { menu_->setPresented(!menu_->isPresented()); });
    connect(menu_, &DSPresenter::presentedChanged, this, &DSCapsuleButton::setOpen);
    connect(&settings_, &SettingsStore::specChanged, this, &FormatChip::refresh);
    connect(&settings_, &SettingsStore::defaultSpecChanged, this, &FormatChip::refresh);
    refresh();
}

ChipFace FormatChip::face() const { return ChipFace::format(settings_.spec().format); }

void FormatChip::refresh() {
    applyChipFace(*this, label_, face());
    const OutputFormat& current = settings_.spec().format;
    menu_->setContent(FormatMenu::content(current, settings_.sectionMatchesDefault(SpecSection::format),
                                          featured_, all_));
    menu_->setSelection(FormatMenu::Tag::value(current));
}

void FormatChip::choose(const FormatMenu::Tag& tag) {
    if (tag.isSaveAsDefault()) {
        settings_.saveSectionAsDefault(SpecSection::format);
        return;
    }
    OutputSpec spec = settings_.spec();
    spec.format = *tag.chosenValue();
    settings_.setSpec(spec);
}

} // namespace pictavo
