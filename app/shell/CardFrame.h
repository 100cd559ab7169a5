#pragma once
#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPixmap>
#include <QSize>

namespace pictavo {

// What a card draws around its picture and texts, at one size and look: the rounded body,
// the empty picture's checkerboard and the lower area's tint, under them; the border and the selection and focus rings over them.
// Drawn once and shared by every card of that size and look, so that painting a card copies
// two pictures where it clipped, filled and stroked rounded paths: Qt 6.4 splits every tall
// antialiased fill over its thread pool and waits for it, which made a page of cards cost a
// paint of tens of milliseconds on a busy machine.
//
// Thread rule: main thread only.
class CardFrame {
public:
    struct Look {
        QSize size;
        double pixelRatio = 1;
        // Where the picture ends and the lower area begins.
        double lowerTop = 0;
        QColor surface;
        QColor checkerLight;
        QColor checkerDark;
        QColor lowerTint;
        QColor border;
        // Transparent for no ring.
        QColor outerRing;
        QColor innerRing;
        friend bool operator==(const Look&, const Look&) = default;
    };

    static constexpr double radius = 16;

    // The frame of that look, drawn now or kept from before (pixmaps share their pixels).
    static CardFrame of(const Look& look);
    // The card's outline at its size, half a pixel inside the edge.
    static QPainterPath outline(const QSizeF& size);
    // Makes the image's top corners transparent outside the card's outline, the image being
    // the top of a card as wide as it is.
    static void roundTopCorners(QImage& image);
    // The top of a card of `size` points at `pixelRatio`: the thumbnail filling it, cropped at
    // the sides or at the top and bottom, over the checkerboard, its top corners rounded.
    static QImage picture(const QImage& thumbnail, const QSize& size, double pixelRatio, const QColor& light,
                          const QColor& dark);
    // Fills the area with a checkerboard of 8-point squares starting at its corner, as under
    // a picture that may be transparent.
    static void fillCheckerboard(QPainter& painter, const QRectF& area, const QColor& light, const QColor& dark,
                                 double pixelRatio);

    QPixmap body;
    QPixmap edge;
};

} // namespace pictavo
