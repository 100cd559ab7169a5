#pragma once
#include "app/settings/SettingsStore.h"

class QWidget;

namespace pictavo {

// The editors of the default specification that the options panel shares with the settings
// window: the size picker with its dimensions, the compression control and the file-name
// pattern field. Each returns the row's widget bound to the store's default specification,
// or none while that editor is not part of this build, in which case the row is left out.
struct DefaultSpecEditors {
    static QWidget* sizeEditor(SettingsStore& settings, QWidget* parent);
    static QWidget* compressionEditor(SettingsStore& settings, QWidget* parent);
    static QWidget* namingEditor(SettingsStore& settings, QWidget* parent);
};

} // namespace pictavo
