#include "app/preferences/OutlinedCheckBox.h"

#include "app/design/DSFocusRing.h"
#include "app/design/DSSecondaryLabel.h"
#include "app/design/DSTheme.h"

#include <QPainter>
#include <QStyleOptionButton>

namespace pictavo {

OutlinedCheckBox::OutlinedCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {
    connect(&DSTheme::shared(), &DSTheme::changed, this, qOverload<>(&QWidget::update));
    // The accent outline of a focused box alone changes too little from the grey one.
    DSFocusRing::follow(this, DSFocusRing::Shape::rounded(3));
}

QColor OutlinedCheckBox::outlineColour() const {
    return secondaryLabelOver(palette().color(QPalette::Window), DSTheme::shared().appearance());
}

void OutlinedCheckBox::paintEvent(QPaintEvent* event) {
    QCheckBox::paintEvent(event);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect box = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Over the style's own outline, on the same pixels; the keyboard focus keeps its highlight.
    QColor outline = option.state & QStyle::State_HasFocus && option.state & QStyle::State_KeyboardFocusChange
                         ? palette().color(QPalette::Highlight)
                         : outlineColour();
    if (!isEnabled()) outline.setAlphaF(0.5f);
    painter.setPen(QPen(outline, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5));
}

} // namespace pictavo
