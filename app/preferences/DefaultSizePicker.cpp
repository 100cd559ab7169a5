#include "app/preferences/DefaultSizePicker.h"

#include "app/design/DSPickerAccessible.h"
#include "app/options/CustomSizeEditor.h"
#include "app/options/SpecBindings.h"

#include <QLayout>

namespace pictavo {

namespace {

Binding<SizeChoice> selection(SettingsStore& settings, std::optional<SizeChoice>& choice) {
    return SizeChoice::selectionBinding({[&choice] { return choice; },
                                         [&choice](const std::optional<SizeChoice>& value) { choice = value; }},
                                        defaultSpecBinding(settings).member(&OutputSpec::sizing));
}

} // namespace

DefaultSizePicker::DefaultSizePicker(SettingsStore& settings, QWidget* parent)
    : QComboBox(parent), settings_(settings), lastSizing_(settings.defaultSpec().sizing),
      dimensions_(new CustomSizeEditor(defaultSpecBinding(settings).member(&OutputSpec::sizing), parent)) {
    // Before the items: a screen reader's bridge meets the picker as they come, and keeps the
    // interface it met.
    showListOnlyWhileOpen(this);
    // A form row of its own, not a pop-over: no padding around the fields.
    dimensions_->layout()->setContentsMargins(0, 0, 0, 0);
    // Its own width in the form, not the form's: a wider row spread the fields to its two ends.
    dimensions_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // Group titles and separators are left out: one flat list in group order.
    for (const SizeChoice::Group& group : SizeChoice::groups())
        for (const SizeChoice& choice : group.choices) addItem(choice.menuTitle(), int(choice.value()));
    connect(this, &QComboBox::activated, this, [this](int index) {
        selection(settings_, choice_).set(SizeChoice(SizeChoice::Case(itemData(index).toInt())));
        // Picking "Custom…" over the original size changes no setting, so nothing else says so.
        refresh();
    });
    connect(&settings_, &SettingsStore::defaultSpecChanged, this, &DefaultSizePicker::defaultSpecChanged);
    refresh();
}

bool DefaultSizePicker::showsCustom() const { return currentData().toInt() == int(SizeChoice::custom); }

void DefaultSizePicker::forgetChoice() {
    choice_.reset();
    refresh();
}

void DefaultSizePicker::defaultSpecChanged() {
    const ResizeSpec& sizing = settings_.defaultSpec().sizing;
    // Whatever changed the default sizing, a preset is remembered only while it still describes it.
    if (!(sizing == lastSizing_)) {
        lastSizing_ = sizing;
        choice_ = SizeChoice::resolve(choice_, sizing).kept;
    }
    refresh();
}

void DefaultSizePicker::refresh() {
    setCurrentIndex(findData(int(selection(settings_, choice_).get().value())));
    dimensions_->refresh();
    Q_EMIT shownChoiceChanged();
}

} // namespace pictavo
