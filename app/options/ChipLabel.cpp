#include "app/options/ChipLabel.h"

#include "app/design/DSPalette.h"
#include "app/design/DSTheme.h"
#include "app/options/OptionSymbols.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace pictavo {

ChipLabel::ChipLabel(const QString& glyph, const QString& value, bool chevron, QWidget* parent)
    : QWidget(parent), glyph_(glyph), value_(value), chevron_(chevron) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(&DSTheme::shared(), &DSTheme::changed, this, [this] {
        updateGeometry();
        update();
    });
}

void ChipLabel::setValue(const QString& value) {
    if (value == value_) return;
    value_ = value;
    updateGeometry();
    update();
}

double ChipLabel::scaled(double points) const { return points * DSTheme::shared().typeScale(); }

QSize ChipLabel::sizeHint() const {
    const QFontMetricsF metrics(font());
    double width = scaled(glyphSize) + scaled(gap) + metrics.horizontalAdvance(value_);
    if (chevron_) width += scaled(gap) + scaled(chevronSize);
    const double height = std::max({scaled(glyphSize), metrics.height(), chevron_ ? scaled(chevronSize) : 0.0});
    return {int(std::ceil(width)), int(std::ceil(height))};
}

void ChipLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor accent =
        DSTheme::shared().increasedContrast() ? palette::primary().current() : palette::secondary().current();
    const double middle = height() / 2.0;
    double x = 0;
    const double glyph = scaled(glyphSize);
    optionSymbols::paint(painter, glyph_, QRectF(x, middle - glyph / 2, glyph, glyph), accent);
    x += glyph + scaled(gap);
    const QFontMetricsF metrics(font());
    const double textWidth = metrics.horizontalAdvance(value_);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRectF(x, 0, textWidth + 1, height()), Qt::AlignLeft | Qt::AlignVCenter, value_);
    if (!chevron_) return;
    x += textWidth + scaled(gap);
    const double chevron = scaled(chevronSize);
    optionSymbols::paint(painter, QStringLiteral("chevron.down"), QRectF(x, middle - chevron / 2, chevron, chevron),
                         accent, 1.4);
}

} // namespace pictavo
