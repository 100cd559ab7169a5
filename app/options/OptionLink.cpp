#include "app/options/OptionLink.h"

#include "app/design/DSFocusRing.h"
#include "app/design/DSFonts.h"
#include "app/design/DSPalette.h"
#include "app/design/DSTheme.h"

#include <QPainter>

#include <cmath>

namespace pictavo {

OptionLink::OptionLink(const QString& text, QWidget* parent) : QAbstractButton(parent) {
    setText(text);
    setFont(fonts::DSFontBody());
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    DSFocusRing::follow(this, DSFocusRing::Shape::rounded(3));
    connect(&DSTheme::shared(), &DSTheme::changed, this, qOverload<>(&QWidget::update));
}

QColor OptionLink::currentColour() const {
    QColor colour = isEnabled() ? palette::secondary().current() : palette::tertiaryLabel().current();
    // A press shows by darkening the text, as a link does.
    if (isDown()) colour = palette::primary().current();
    return colour;
}

QSize OptionLink::sizeHint() const {
    const QFontMetricsF metrics(font());
    return {int(std::ceil(metrics.horizontalAdvance(text()))) + 2, int(std::ceil(metrics.height())) + 2};
}

void OptionLink::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(font());
    painter.setPen(currentColour());
    painter.drawText(rect(), Qt::AlignCenter, text());
}

} // namespace pictavo
