#include "app/shell/ExportButton.h"

namespace pictavo {

ExportButton::ExportButton(QWidget* parent)
    : DSCapsuleButton(QStringLiteral("Export"), DSCapsuleButtonStyle{DSCapsuleButtonStyle::Role::primary}, parent) {
    setToolTip(QStringLiteral("Convert every image in the batch and write it"));
    setCursor(Qt::PointingHandCursor);
}

QString ExportButton::title(std::int64_t count, bool replacing, bool exporting) {
    if (exporting) return QStringLiteral("Exporting\u2026");
    if (!replacing || count < 1) return QStringLiteral("Export");
    return QStringLiteral("Replace ") + QString::number(count) +
           (count == 1 ? QStringLiteral(" Image") : QStringLiteral(" Images"));
}

void ExportButton::refresh(std::int64_t count, bool replacing, bool exporting) {
    const QString now = title(count, replacing, exporting);
    if (now != text()) {
        setText(now);
        updateGeometry();
    }
    setFilled(count >= 1);
    setEnabled(count >= 1 && !exporting);
}

} // namespace pictavo
