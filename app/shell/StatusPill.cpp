#include "app/shell/StatusPill.h"

#include "app/design/DSFonts.h"
#include "app/design/DSPalette.h"
#include "app/design/DSSymbols.h"
#include "app/design/DSTheme.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace pictavo {

namespace {

constexpr double iconGap = 4;

double horizontalPadding(StatusPill::Prominence prominence) { return prominence.onCard ? 8 : 10; }
double verticalPadding(StatusPill::Prominence prominence) { return prominence.onCard ? 3 : 4; }

} // namespace

double StatusPill::tintOpacity(bool dark, Prominence prominence) {
    const double base = dark ? 0.16 : 0.12;
    return base + (prominence.onCard && prominence.onTint ? 0.06 : 0.0);
}

QFont StatusPill::font() { return fonts::systemFont(12, QFont::Medium); }

QSizeF StatusPill::size() const {
    const QFontMetricsF metrics(font());
    double width = metrics.horizontalAdvance(label);
    if (icon) width += metrics.height() * 0.8 + iconGap;
    return {std::ceil(width + 2 * horizontalPadding(prominence)),
            std::ceil(metrics.height() + 2 * verticalPadding(prominence))};
}

void StatusPill::paint(QPainter& painter, const QPointF& topLeft) const {
    const QSizeF extent = size();
    const QRectF capsule(topLeft, extent);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const DSAppearance appearance = DSTheme::shared().appearance();
    QColor background = palette::DSFill().resolve(appearance);
    if (colour) {
        background = colour->resolve(appearance);
        background.setAlphaF(static_cast<float>(tintOpacity(isDark(appearance), prominence)));
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(background);
    painter.drawRoundedRect(capsule, extent.height() / 2, extent.height() / 2);

    const QFontMetricsF metrics(font());
    double x = capsule.left() + horizontalPadding(prominence);
    if (icon) {
        const double side = metrics.height() * 0.8;
        const QRectF box(x, capsule.center().y() - side / 2, side, side);
        symbols::paint(painter, *icon, box, (colour ? *colour : palette::secondary()).resolve(appearance), 1.3);
        x += side + iconGap;
    }
    painter.setFont(font());
    painter.setPen(palette::primary().resolve(appearance));
    painter.drawText(QRectF(x, capsule.top(), capsule.right() - x, capsule.height()), Qt::AlignVCenter | Qt::AlignLeft,
                     label);
    painter.restore();
}

StatusPillWidget::StatusPillWidget(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void StatusPillWidget::setPill(const StatusPill& pill) {
    pill_ = pill;
    setAccessibleName(pill.label);
    updateGeometry();
    update();
}

QSize StatusPillWidget::sizeHint() const { return pill_.size().toSize(); }

void StatusPillWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    pill_.paint(painter, QPointF(0, 0));
}

} // namespace pictavo
