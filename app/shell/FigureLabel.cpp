#include "app/shell/FigureLabel.h"

#include "app/design/DSFonts.h"
#include "app/design/DSPalette.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace pictavo {

namespace {

constexpr double gap = 8;
const QString arrow = QStringLiteral("\u2192");

QFont figureFont(int pixelSize, QFont::Weight weight) {
    QFont font = fonts::systemFont(pixelSize, weight);
    font.setLetterSpacing(QFont::AbsoluteSpacing, -0.02 * pixelSize);
    return font;
}

} // namespace

FigureLabel::FigureLabel(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void FigureLabel::setTexts(const QString& source, const std::optional<QString>& output) {
    if (source == source_ && output == output_) return;
    source_ = source;
    output_ = output;
    setAccessibleName(text());
    updateGeometry();
    update();
}

QString FigureLabel::text() const { return output_ ? source_ + QStringLiteral(" \u2192 ") + *output_ : source_; }

double FigureLabel::naturalWidth(int pixelSize) const {
    double width = QFontMetricsF(figureFont(pixelSize, QFont::Normal)).horizontalAdvance(source_);
    if (output_) {
        width += gap + QFontMetricsF(figureFont(pixelSize, QFont::Bold)).horizontalAdvance(arrow) + gap;
        width += QFontMetricsF(figureFont(pixelSize, QFont::Bold)).horizontalAdvance(*output_);
    }
    return width;
}

QSize FigureLabel::sizeHint() const {
    return {static_cast<int>(std::ceil(naturalWidth(fullSize))),
            static_cast<int>(std::ceil(QFontMetricsF(figureFont(fullSize, QFont::Bold)).height()))};
}

QSize FigureLabel::minimumSizeHint() const { return {0, sizeHint().height()}; }

void FigureLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    int size = fullSize;
    const int smallest = static_cast<int>(std::ceil(fullSize * 0.6));
    while (size > smallest && naturalWidth(size) > width()) --size;
    const QFont regular = figureFont(size, QFont::Normal);
    const QFont bold = figureFont(size, QFont::Bold);
    const double baseline = (height() + QFontMetricsF(bold).ascent() - QFontMetricsF(bold).descent()) / 2;
    double x = 0;
    const auto run = [&](const QString& text, const QFont& font, const QColor& colour) {
        const QFontMetricsF metrics(font);
        const double room = width() - x;
        if (room <= 0) return;
        const QString shown = metrics.elidedText(text, Qt::ElideRight, room);
        painter.setFont(font);
        painter.setPen(colour);
        painter.drawText(QPointF(x, baseline), shown);
        x += metrics.horizontalAdvance(shown) + gap;
    };
    run(source_, regular, palette::secondary().current());
    if (output_) {
        run(arrow, bold, palette::tertiaryLabel().current());
        run(*output_, bold, palette::primary().current());
    }
}

} // namespace pictavo
