#pragma once
#include <QImage>
#include <QMargins>
#include <QPainterPath>

class QPainter;
class QScrollBar;
class QWidget;

namespace pictavo {

// How the window of a floating panel is drawn. Nothing on this desktop blurs what lies behind a
// window, and the translucent panel colour alone would let the window beneath read through the
// rows, so panels are opaque: the solid backing under the panel colour, with a solid edge. Where
// the desktop composites windows the panel draws its own soft shadow in a transparent margin
// around its shape; where it does not, the window has no margin and is cut to its shape, since
// its transparent pixels would show black. One per panel window.
class DSPanelSurface {
public:
    explicit DSPanelSurface(bool composited);

    bool composited() const { return composited_; }
    // The shadow's room around the shape; none without a compositor.
    QMargins margins() const;
    // Readies a new window: a transparent background and the shadow's margin, or neither.
    void prepare(QWidget* window) const;
    // Draws a panel of that shape, in the window's coordinates: its shadow where there is room,
    // the backing and the panel colour.
    void paint(QPainter& painter, const QPainterPath& shape);
    // The panel's edge: a line of width 1 along the path.
    static void paintEdge(QPainter& painter, const QPainterPath& edge);
    // Without a compositor the window is cut to the shape; with one it keeps its whole frame.
    void fitWindow(QWidget* window, const QPainterPath& shape) const;
    // Clips a widget inside the panel, and all it holds, to its rectangle with rounded corners.
    static void roundCorners(QWidget* widget, double cornerRadius);
    // A scroll bar inside the panel: a slim handle on the panel's colour, kept clear of the
    // rounded corners. Styled again when the appearance changes.
    static void styleScrollBar(QScrollBar* bar, double cornerRadius);

private:
    const QImage& shadowFor(const QPainterPath& shape, QSize canvas, QColor colour);

    bool composited_;
    QImage shadow_;
    QPainterPath shadowShape_;
    QRgb shadowColour_ = 0;
};

// A rounded rectangle; panel shapes are made of these.
QPainterPath roundedPanelShape(const QRectF& rect, double radius);

} // namespace pictavo
