#pragma once
#include <QColor>
#include <QIcon>
#include <QRectF>
#include <QString>

class QPainter;

// The symbols of the toolbar chips and the orientation buttons, drawn as strokes so that they
// stay sharp at any size and take any colour: "doc", "arrow.up.left.and.arrow.down.right",
// "slider.horizontal.3", "chevron.down", "rotate.left", "rotate.right", "flip.horizontal" and
// "flip.vertical". A name not among them draws nothing.
namespace pictavo::optionSymbols {

// `weight` thickens the strokes: 1 regular, about 1.4 semibold.
void paint(QPainter& painter, const QString& name, const QRectF& box, const QColor& colour, double weight = 1.0);
// The symbol as an icon `side` points square, in one colour while enabled and another while
// disabled.
QIcon icon(const QString& name, int side, const QColor& colour, const QColor& disabledColour);

} // namespace pictavo::optionSymbols
