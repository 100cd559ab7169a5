#include "app/export/DestinationUnavailable.h"

namespace pictavo {

QString title(DestinationUnavailable reason) {
    switch (reason) {
    case DestinationUnavailable::noFolderChosen: return QStringLiteral("No folder chosen to save into");
    case DestinationUnavailable::folderMissing: return QStringLiteral("The folder you chose isn't there");
    }
    return {};
}

QString alertMessage(DestinationUnavailable reason) {
    switch (reason) {
    case DestinationUnavailable::noFolderChosen:
        return QStringLiteral("This batch is set to save into a folder, and none has been chosen yet. Choose one and "
                              "the export will carry on.");
    case DestinationUnavailable::folderMissing:
        return QStringLiteral("It may have been moved or deleted, or be on a disk that isn't connected. Choose another "
                              "and the export will carry on.");
    }
    return {};
}

} // namespace pictavo
