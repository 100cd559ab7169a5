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

QSet<QUuid> cardsRemovedFrom(const QSet<QUuid>& selected, const std::optional<QUuid>& card) {
    if (card && !selected.contains(*card)) return {*card};
    return selected;
}

QString removeTitle(std::int64_t count) {
    if (count < 2) return QStringLiteral("Remove");
    return QStringLiteral("Remove ") + QString::number(count) + QStringLiteral(" Images");
}

QString removeTitle(const QStringList& names) {
    if (names.size() == 1) return QStringLiteral("Remove ") + names.front();
    return removeTitle(names.size());
}

} // namespace pictavo
