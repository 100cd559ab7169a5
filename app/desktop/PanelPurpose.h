#pragma once
#include <QString>

namespace pictavo {

// Why a folder is asked for; each purpose has its own message and button.
enum class PanelPurpose { defaultFolder, thisExport, fallbackFolder, replacePermission };

QString panelMessage(PanelPurpose purpose);
// The accepting button: "Choose", "Save Here", "Allow".
QString panelPrompt(PanelPurpose purpose);

} // namespace pictavo
