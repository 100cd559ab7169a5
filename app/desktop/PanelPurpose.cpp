#include "app/desktop/PanelPurpose.h"

namespace pictavo {

QString panelMessage(PanelPurpose purpose) {
    switch (purpose) {
    case PanelPurpose::defaultFolder: return QStringLiteral("Choose where converted images are saved.");
    case PanelPurpose::thisExport: return QStringLiteral("Choose where this export goes.");
    case PanelPurpose::fallbackFolder:
        return QStringLiteral(
            "The converted images can't be saved next to the originals. Choose a folder to put them in.");
    case PanelPurpose::replacePermission:
        return QStringLiteral("To replace the originals in this folder, Pictavo by Fenwid needs permission to save in "
                              "it. Choose the folder to carry on.");
    }
    return {};
}

QString panelPrompt(PanelPurpose purpose) {
    switch (purpose) {
    case PanelPurpose::defaultFolder:
    case PanelPurpose::thisExport: return QStringLiteral("Choose");
    case PanelPurpose::fallbackFolder: return QStringLiteral("Save Here");
    case PanelPurpose::replacePermission: return QStringLiteral("Allow");
    }
    return {};
}

} // namespace pictavo
