#include "app/shell/ExportButton.h"

#include "app/shell/ShellPalette.h"

#include <QFocusEvent>
#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace pictavo {

CapsuleButton::CapsuleButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    QFont font;
    font.setPixelSize(13);
    font.setWeight(QFont::DemiBold);
    setFont(font);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void CapsuleButton::setFilled(bool filled) {
    if (filled == isFilled_) return;
    isFilled_ = filled;
    update();
}

QSize CapsuleButton::sizeHint() const {
    const QFontMetricsF metrics(font());
    return {static_cast<int>(std::ceil(metrics.horizontalAdvance(text()) + 32)),
            static_cast<int>(std::ceil(metrics.height() + 14))};
}

void CapsuleButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF capsule = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double radius = capsule.height() / 2;
    QColor accent = shellColour(ShellColour::accent);
    if (isDown()) accent = accent.darker(115);
    QColor text = Qt::white;
    if (isFilled_) {
        if (!isEnabled()) accent.setAlphaF(0.55f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(accent);
    } else {
        QColor ring = accent;
        ring.setAlphaF(isEnabled() ? 0.6f : 0.3f);
        painter.setPen(QPen(ring, 1));
        QColor tint = accent;
        tint.setAlphaF(0.08f);
        painter.setBrush(tint);
        text = accent;
        if (!isEnabled()) text.setAlphaF(0.45f);
    }
    painter.drawRoundedRect(capsule, radius, radius);
    if (hasFocus() && showsFocusRing_) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(shellColour(ShellColour::keyboardRing), 1.5));
        painter.drawRoundedRect(capsule.adjusted(1.5, 1.5, -1.5, -1.5), radius - 1.5, radius - 1.5);
    }
    painter.setPen(text);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter, QPushButton::text());
}

void CapsuleButton::focusInEvent(QFocusEvent* event) {
    showsFocusRing_ = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    QPushButton::focusInEvent(event);
}

void CapsuleButton::focusOutEvent(QFocusEvent* event) {
    showsFocusRing_ = false;
    QPushButton::focusOutEvent(event);
}

ExportButton::ExportButton(QWidget* parent) : CapsuleButton(QStringLiteral("Export"), parent) {
    setToolTip(QStringLiteral("Convert every image in the batch and write it"));
}

QString ExportButton::title(std::int64_t count, bool replacing, bool exporting) {
    if (exporting) return QStringLiteral("Exporting\u2026");
    if (!replacing || count < 1) return QStringLiteral("Export");
    return QStringLiteral("Replace ") + QString::number(count) +
           (count == 1 ? QStringLiteral(" Image") : QStringLiteral(" Images"));
}

void ExportButton::refresh(std::int64_t count, bool replacing, bool exporting) {
    setText(title(count, replacing, exporting));
    setFilled(count >= 1);
    setEnabled(count >= 1 && !exporting);
    updateGeometry();
}

} // namespace pictavo
