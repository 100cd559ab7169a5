#include "app/design/DSSymbols.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>

namespace pictavo::symbols {

void paint(QPainter& painter, const QString& name, const QRectF& box, const QColor& colour, double weight) {
    const double side = std::min(box.width(), box.height());
    const QRectF square(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
    const auto at = [&](double x, double y) { return QPointF(square.left() + x * side, square.top() + y * side); };
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(colour, std::max(1.0, side * 0.09 * weight), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    if (name == QLatin1String("xmark")) {
        painter.drawLine(at(0.22, 0.22), at(0.78, 0.78));
        painter.drawLine(at(0.78, 0.22), at(0.22, 0.78));
    } else if (name == QLatin1String("checkmark.circle")) {
        painter.drawEllipse(QRectF(at(0.08, 0.08), at(0.92, 0.92)));
        QPainterPath tick(at(0.3, 0.52));
        tick.lineTo(at(0.45, 0.66));
        tick.lineTo(at(0.7, 0.36));
        painter.drawPath(tick);
    } else if (name == QLatin1String("exclamationmark.triangle")) {
        QPainterPath triangle(at(0.5, 0.08));
        triangle.lineTo(at(0.95, 0.88));
        triangle.lineTo(at(0.05, 0.88));
        triangle.closeSubpath();
        painter.drawPath(triangle);
        painter.drawLine(at(0.5, 0.38), at(0.5, 0.6));
        painter.drawPoint(at(0.5, 0.74));
    } else if (name == QLatin1String("arrow.up")) {
        painter.drawLine(at(0.5, 0.12), at(0.5, 0.9));
        QPainterPath head(at(0.22, 0.4));
        head.lineTo(at(0.5, 0.12));
        head.lineTo(at(0.78, 0.4));
        painter.drawPath(head);
    } else if (name == QLatin1String("trash")) {
        painter.drawLine(at(0.14, 0.24), at(0.86, 0.24));
        painter.drawLine(at(0.38, 0.24), at(0.42, 0.1));
        painter.drawLine(at(0.42, 0.1), at(0.58, 0.1));
        painter.drawLine(at(0.58, 0.1), at(0.62, 0.24));
        QPainterPath can(at(0.22, 0.24));
        can.lineTo(at(0.28, 0.92));
        can.lineTo(at(0.72, 0.92));
        can.lineTo(at(0.78, 0.24));
        painter.drawPath(can);
    } else if (name == QLatin1String("chevron.down")) {
        QPainterPath chevron(at(0.18, 0.36));
        chevron.lineTo(at(0.5, 0.68));
        chevron.lineTo(at(0.82, 0.36));
        painter.drawPath(chevron);
    } else if (name == QLatin1String("photo.on.rectangle")) {
        pen.setWidthF(std::max(1.0, side * 0.06 * weight));
        painter.setPen(pen);
        const QRectF front(at(0.2, 0.28), at(0.96, 0.9));
        // The picture behind shows only where the one in front does not cover it.
        QPainterPath behind;
        behind.addRect(box.adjusted(-side, -side, side, side));
        QPainterPath cover;
        cover.addRoundedRect(front.adjusted(-pen.widthF() * 1.5, -pen.widthF() * 1.5, pen.widthF() * 1.5,
                                            pen.widthF() * 1.5),
                             side * 0.08, side * 0.08);
        painter.setClipPath(behind.subtracted(cover));
        painter.drawRoundedRect(QRectF(at(0.04, 0.14), at(0.78, 0.74)), side * 0.06, side * 0.06);
        painter.setClipping(false);
        painter.drawRoundedRect(front, side * 0.06, side * 0.06);
        painter.setBrush(colour);
        painter.drawEllipse(QRectF(at(0.34, 0.4), at(0.46, 0.52)));
        painter.setBrush(Qt::NoBrush);
        QPainterPath hills(at(0.24, 0.86));
        hills.lineTo(at(0.48, 0.62));
        hills.lineTo(at(0.64, 0.76));
        hills.lineTo(at(0.74, 0.66));
        hills.lineTo(at(0.92, 0.86));
        painter.drawPath(hills);
    }
    painter.restore();
}

QPixmap pixmap(const QString& name, int side, const QColor& colour, double weight, double pixelRatio) {
    QPixmap drawn(static_cast<int>(side * pixelRatio), static_cast<int>(side * pixelRatio));
    drawn.setDevicePixelRatio(pixelRatio);
    drawn.fill(Qt::transparent);
    QPainter painter(&drawn);
    paint(painter, name, QRectF(0, 0, side, side), colour, weight);
    return drawn;
}

} // namespace pictavo::symbols
