#include "app/options/WrappingText.h"

#include "app/design/DSTheme.h"

#include <QPainter>
#include <QTextLayout>

#include <cmath>

namespace pictavo {

namespace {

// Lays the text out in lines no wider than the width and answers the height they take.
double layOut(QTextLayout& layout, double width) {
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    double height = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    return height;
}

} // namespace

WrappingText::WrappingText(const DSColour& colour, const QFont& font, QWidget* parent)
    : QWidget(parent), colour_(&colour) {
    setFont(font);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    connect(&DSTheme::shared(), &DSTheme::changed, this, qOverload<>(&QWidget::update));
}

void WrappingText::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

int WrappingText::heightForWidth(int width) const {
    QTextLayout layout(text_, font());
    return int(std::ceil(layOut(layout, std::max(1, width))));
}

QSize WrappingText::sizeHint() const {
    const QFontMetricsF metrics(font());
    return {int(std::ceil(metrics.horizontalAdvance(text_))), int(std::ceil(metrics.height()))};
}

QSize WrappingText::minimumSizeHint() const {
    // As narrow as one character; the height comes from heightForWidth at the width given.
    return {int(std::ceil(QFontMetricsF(font()).maxWidth())), int(std::ceil(QFontMetricsF(font()).height()))};
}

void WrappingText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(colour_->current());
    QTextLayout layout(text_, font());
    layOut(layout, width());
    layout.draw(&painter, QPointF(0, 0));
}

} // namespace pictavo
