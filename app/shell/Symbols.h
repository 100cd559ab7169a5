#pragma once
#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;
class QPixmap;

namespace pictavo {

// The handful of symbols the main window shows, drawn as strokes so that they stay sharp at
// any size: "photo.on.rectangle", "xmark", "checkmark.circle", "exclamationmark.triangle",
// "arrow.up", "trash" and "chevron.down". `weight` thickens the strokes (1 regular, 1.4 semibold).
void paintSymbol(QPainter& painter, const QString& name, const QRectF& box, const QColor& colour, double weight = 1.0);
// The symbol in a transparent pixmap `side` points square, sharp on the screen it is shown on.
QPixmap symbolPixmap(const QString& name, int side, const QColor& colour, double weight = 1.0, double pixelRatio = 2.0);

} // namespace pictavo
