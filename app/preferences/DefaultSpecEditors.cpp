#include "app/preferences/DefaultSpecEditors.h"

namespace pictavo {

// These rows come from the options controls (size presets with their dimension fields,
// QualityControl, FilenamePatternField); each factory makes its control here once those
// controls are in the tree.

QWidget* DefaultSpecEditors::sizeEditor(SettingsStore&, QWidget*) { return nullptr; }

QWidget* DefaultSpecEditors::compressionEditor(SettingsStore&, QWidget*) { return nullptr; }

QWidget* DefaultSpecEditors::namingEditor(SettingsStore&, QWidget*) { return nullptr; }

} // namespace pictavo
