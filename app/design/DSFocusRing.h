#pragma once
#include <QPainterPath>
#include <QRectF>

class QWidget;

namespace pictavo {

// The keyboard focus ring of the design system's controls: a band in the accent (black or
// white under increased contrast) just outside the control's shape, with a hairline gap, so
// that it shows on a filled accent button too. It is drawn by one overlay per window, above
// everything else, so a ring never changes a control's size or layout; inside a scrolling
// view it is cut where the view cuts the control.
namespace DSFocusRing {

// The shape of a control: a capsule, or a rectangle with rounded corners.
struct Shape {
    // A negative radius is half the height: a capsule.
    double cornerRadius = -1;

    static Shape capsule() { return {}; }
    static Shape rounded(double radius) { return {radius}; }
    QPainterPath path(const QRectF& bounds) const;
};

// How far the ring reaches beyond the control's bounds: the gap and the band.
inline constexpr double gap = 1.0;
inline constexpr double width = 2.5;
inline constexpr double reach = gap + width;

// The control shows the ring around `shape` while it holds the keyboard focus.
void follow(QWidget* control, Shape shape);

// The ring's overlay in the control's window, while the control holds the focus; for tests.
QWidget* shownAround(const QWidget* control);

} // namespace DSFocusRing

} // namespace pictavo
