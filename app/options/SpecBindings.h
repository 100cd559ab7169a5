#pragma once
#include "ImageEngine/Model/OutputSpec.h"
#include "app/options/Binding.h"
#include "app/settings/SettingsStore.h"

namespace pictavo {

// The settings store's current specification, the one the toolbar edits; its owner announces
// changes with SettingsStore::specChanged.
inline Binding<OutputSpec> currentSpecBinding(SettingsStore& settings) {
    return {[&settings] { return settings.spec(); }, [&settings](const OutputSpec& spec) { settings.setSpec(spec); }};
}

} // namespace pictavo
