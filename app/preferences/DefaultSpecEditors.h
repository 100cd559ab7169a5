#pragma once
#include "app/settings/SettingsStore.h"

class QWidget;

namespace pictavo {

class ConversionEngine;
class DefaultSizePicker;
class FilenamePatternField;
class QualityControl;

// The editors of the default specification that the options panel shares with the settings
// window: the size picker with its dimensions, the compression control and the file-name
// pattern field. Each is bound to the store's default specification and follows it when it
// changes elsewhere.
struct DefaultSpecEditors {
    static DefaultSizePicker* sizeEditor(SettingsStore& settings, QWidget* parent);
    static QualityControl* compressionEditor(SettingsStore& settings, QWidget* parent);
    // Its example name is written as `engine` would write it.
    static FilenamePatternField* namingEditor(SettingsStore& settings, const ConversionEngine& engine, QWidget* parent);
};

} // namespace pictavo
