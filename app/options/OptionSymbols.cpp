#include "app/options/OptionSymbols.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace pictavo::optionSymbols {

namespace {

// A symbol drawn in a unit square, each point given as fractions of its side.
class Strokes {
public:
    Strokes(QPainter& painter, const QRectF& box, const QColor& colour, double weight)
        : painter_(painter), side_(std::min(box.width(), box.height())),
          origin_(box.center().x() - side_ / 2, box.center().y() - side_ / 2) {
        pen_ = QPen(colour, std::max(1.0, side_ * 0.085 * weight), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        painter_.setPen(pen_);
        painter_.setBrush(Qt::NoBrush);
    }

    QPointF at(double x, double y) const { return origin_ + QPointF(x * side_, y * side_); }
    double side() const { return side_; }
    QPainter& painter() { return painter_; }

    void line(double x1, double y1, double x2, double y2) { painter_.drawLine(at(x1, y1), at(x2, y2)); }
    void polyline(std::initializer_list<QPointF> points) {
        QPainterPath path;
        bool first = true;
        for (const QPointF& point : points) {
            const QPointF mapped = at(point.x(), point.y());
            if (first) path.moveTo(mapped);
            else path.lineTo(mapped);
            first = false;
        }
        painter_.drawPath(path);
    }
    // An arrow head at the tip, pointing along the direction (in degrees, 0 to the right,
    // counted clockwise on screen).
    void head(double x, double y, double degrees, double length = 0.2) {
        const QPointF tip = at(x, y);
        for (const double spread : {150.0, -150.0}) {
            const double radians = (degrees + spread) * M_PI / 180;
            painter_.drawLine(tip, tip + QPointF(std::cos(radians), std::sin(radians)) * length * side_);
        }
    }

private:
    QPainter& painter_;
    QPen pen_;
    double side_;
    QPointF origin_;
};

// A quarter-turn arrow over a small page, turning anticlockwise; mirrored for clockwise.
void rotation(Strokes& s, bool clockwise) {
    QPainter& painter = s.painter();
    painter.save();
    if (clockwise) {
        const QPointF centre = s.at(0.5, 0.5);
        painter.translate(centre);
        painter.scale(-1, 1);
        painter.translate(-centre);
    }
    painter.drawRoundedRect(QRectF(s.at(0.3, 0.42), s.at(0.86, 0.9)), s.side() * 0.06, s.side() * 0.06);
    QPainterPath arc(s.at(0.62, 0.3));
    arc.cubicTo(s.at(0.5, 0.12), s.at(0.2, 0.12), s.at(0.16, 0.4));
    painter.drawPath(arc);
    s.head(0.16, 0.44, 90, 0.16);
    painter.restore();
}

// Two mirrored right triangles either side of a dashed axis: left to right, or turned a
// quarter for top to bottom.
void flip(Strokes& s, bool vertical) {
    QPainter& painter = s.painter();
    painter.save();
    if (vertical) {
        const QPointF centre = s.at(0.5, 0.5);
        painter.translate(centre);
        painter.rotate(90);
        painter.translate(-centre);
    }
    QPainterPath left(s.at(0.4, 0.2));
    left.lineTo(s.at(0.4, 0.84));
    left.lineTo(s.at(0.06, 0.84));
    left.closeSubpath();
    painter.setBrush(painter.pen().color());
    painter.drawPath(left);
    painter.setBrush(Qt::NoBrush);
    QPainterPath right(s.at(0.6, 0.2));
    right.lineTo(s.at(0.6, 0.84));
    right.lineTo(s.at(0.94, 0.84));
    right.closeSubpath();
    painter.drawPath(right);
    QPen dashed = painter.pen();
    dashed.setWidthF(dashed.widthF() * 0.7);
    dashed.setDashPattern({1.5, 2.5});
    painter.setPen(dashed);
    painter.drawLine(s.at(0.5, 0.06), s.at(0.5, 0.96));
    painter.restore();
}

} // namespace

void paint(QPainter& painter, const QString& name, const QRectF& box, const QColor& colour, double weight) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    Strokes s(painter, box, colour, weight);
    if (name == QLatin1String("doc")) {
        s.polyline({{0.58, 0.08}, {0.2, 0.08}, {0.2, 0.92}, {0.8, 0.92}, {0.8, 0.3}, {0.58, 0.08}});
        s.polyline({{0.58, 0.08}, {0.58, 0.3}, {0.8, 0.3}});
    } else if (name == QLatin1String("arrow.up.left.and.arrow.down.right")) {
        s.line(0.14, 0.14, 0.86, 0.86);
        s.polyline({{0.14, 0.46}, {0.14, 0.14}, {0.46, 0.14}});
        s.polyline({{0.54, 0.86}, {0.86, 0.86}, {0.86, 0.54}});
    } else if (name == QLatin1String("slider.horizontal.3")) {
        for (const auto& [y, knob] : {std::pair{0.22, 0.66}, std::pair{0.5, 0.34}, std::pair{0.78, 0.58}}) {
            s.line(0.08, y, knob - 0.09, y);
            s.line(knob + 0.09, y, 0.92, y);
            painter.drawEllipse(s.at(knob, y), s.side() * 0.09, s.side() * 0.09);
        }
    } else if (name == QLatin1String("chevron.down")) {
        s.polyline({{0.18, 0.36}, {0.5, 0.68}, {0.82, 0.36}});
    } else if (name == QLatin1String("rotate.left") || name == QLatin1String("rotate.right")) {
        rotation(s, name == QLatin1String("rotate.right"));
    } else if (name == QLatin1String("flip.horizontal") || name == QLatin1String("flip.vertical")) {
        flip(s, name == QLatin1String("flip.vertical"));
    }
    painter.restore();
}

QIcon icon(const QString& name, int side, const QColor& colour, const QColor& disabledColour) {
    QIcon result;
    for (const double ratio : {1.0, 2.0}) {
        for (const auto& [mode, tint] : {std::pair{QIcon::Normal, colour}, std::pair{QIcon::Disabled, disabledColour}}) {
            QPixmap pixmap(int(std::ceil(side * ratio)), int(std::ceil(side * ratio)));
            pixmap.setDevicePixelRatio(ratio);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            paint(painter, name, QRectF(0, 0, side, side), tint);
            painter.end();
            result.addPixmap(pixmap, mode);
        }
    }
    return result;
}

} // namespace pictavo::optionSymbols
