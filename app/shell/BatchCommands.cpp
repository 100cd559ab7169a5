#include "app/shell/BatchCommands.h"

namespace pictavo {

BatchCommands BatchCommands::of(std::int64_t itemCount, bool isExporting, std::int64_t selectionCount,
                                std::int64_t exportedCount) {
    BatchCommands commands;
    commands.canOpen = !isExporting;
    commands.canExport = itemCount > 0 && !isExporting;
    commands.canRemoveSelected = selectionCount > 0 && !isExporting;
    commands.canRevealExported = exportedCount > 0;
    commands.selectionCount = selectionCount;
    return commands;
}

QString removeTitle(std::int64_t count) {
    if (count < 2) return QStringLiteral("Remove");
    return QStringLiteral("Remove ") + QString::number(count) + QStringLiteral(" Images");
}

} // namespace pictavo
