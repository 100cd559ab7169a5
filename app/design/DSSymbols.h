#pragma once
#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;
class QPixmap;

// The symbols the application shows, drawn as strokes so that they stay sharp at any size and
// take any colour of the palette: "photo.on.rectangle", "xmark", "checkmark.circle",
// "exclamationmark.triangle", "arrow.up", "trash" and "chevron.down". A name not among them
// draws nothing.
namespace pictavo::symbols {

// `weight` thickens the strokes: 1 regular, about 1.4 semibold.
void paint(QPainter& painter, const QString& name, const QRectF& box, const QColor& colour, double weight = 1.0);
// The symbol in a transparent pixmap `side` points square, sharp on a screen of that pixel ratio.
QPixmap pixmap(const QString& name, int side, const QColor& colour, double weight = 1.0, double pixelRatio = 2.0);

} // namespace pictavo::symbols
