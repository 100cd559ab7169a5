#include "app/shell/LinkButton.h"

#include "app/design/DSFocusRing.h"
#include "app/design/DSSymbols.h"

#include <QPainter>

#include <cmath>

namespace pictavo {

namespace {

double strokeWeight(QFont::Weight weight) { return weight >= QFont::DemiBold ? 1.4 : 1.1; }

} // namespace

LinkButton::LinkButton(const QString& text, const DSColour& colour, const QFont& font, QWidget* parent)
    : QAbstractButton(parent), colour_(&colour) {
    setText(text);
    setFont(font);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    DSFocusRing::follow(this, DSFocusRing::Shape::rounded(4));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void LinkButton::setColour(const DSColour& colour) {
    if (&colour == colour_) return;
    colour_ = &colour;
    update();
}

void LinkButton::setLeadingSymbol(std::optional<QString> symbol) {
    leading_.reset();
    if (symbol) leading_ = Symbol{*symbol, QFontMetricsF(font()).ascent(), 1.1};
    updateGeometry();
    update();
}

void LinkButton::setTrailingSymbol(std::optional<QString> symbol, double side, QFont::Weight weight) {
    trailing_.reset();
    if (symbol) trailing_ = Symbol{*symbol, side, strokeWeight(weight)};
    updateGeometry();
    update();
}

double LinkButton::symbolWidth(const std::optional<Symbol>& symbol) const {
    return symbol ? symbol->side + gap : 0.0;
}

QSize LinkButton::sizeHint() const {
    const QFontMetricsF metrics(font());
    const double width = symbolWidth(leading_) + metrics.horizontalAdvance(text()) + symbolWidth(trailing_);
    // Two points of room around the text, so the keyboard focus ring stands clear of it.
    return {static_cast<int>(std::ceil(width)) + 4, static_cast<int>(std::ceil(metrics.height())) + 4};
}

void LinkButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor colour = colour_->current();
    if (isDown()) colour.setAlphaF(colour.alphaF() * 0.7f);
    if (!isEnabled()) colour.setAlphaF(colour.alphaF() * 0.45f);
    const QRectF content = QRectF(rect()).adjusted(2, 2, -2, -2);
    const QFontMetricsF metrics(font());
    const double baseline = content.center().y() + (metrics.ascent() - metrics.descent()) / 2;
    // Symbols sit on the text's middle: half way up the x-height above the baseline.
    const double middle = baseline - metrics.xHeight() / 2;
    double x = content.left();
    const auto drawSymbol = [&](const Symbol& symbol) {
        symbols::paint(painter, symbol.name, QRectF(x, middle - symbol.side / 2, symbol.side, symbol.side), colour,
                       symbol.weight);
        x += symbol.side;
    };
    if (leading_) {
        drawSymbol(*leading_);
        x += gap;
    }
    painter.setFont(font());
    painter.setPen(colour);
    painter.drawText(QPointF(x, baseline), text());
    x += metrics.horizontalAdvance(text());
    if (trailing_) {
        x += gap;
        drawSymbol(*trailing_);
    }
}

} // namespace pictavo
