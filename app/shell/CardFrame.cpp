#include "app/shell/CardFrame.h"

#include "platform/base/MainThread.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace pictavo {

namespace {

// Every card of a window shares its size; a few looks (plain, selected, focused) and a resize
// or two in flight are all a window needs at once.
constexpr std::size_t keptFrames = 6;

QPixmap blank(const CardFrame::Look& look) {
    QPixmap pixmap((QSizeF(look.size) * look.pixelRatio).toSize());
    pixmap.setDevicePixelRatio(look.pixelRatio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

CardFrame draw(const CardFrame::Look& look) {
    const QRectF whole(QPointF(0, 0), QSizeF(look.size));
    const QPainterPath outline = CardFrame::outline(whole.size());
    CardFrame frame{blank(look), blank(look)};
    {
        QPainter painter(&frame.body);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setClipPath(outline);
        painter.fillRect(whole, look.surface);
        CardFrame::fillCheckerboard(painter, QRectF(0, 0, whole.width(), look.lowerTop), look.checkerLight,
                                    look.checkerDark, look.pixelRatio);
        painter.fillRect(QRectF(0, look.lowerTop, whole.width(), whole.height() - look.lowerTop), look.lowerTint);
    }
    QPainter painter(&frame.edge);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(look.border, 1));
    painter.drawPath(outline);
    // Each ring inside the edge.
    const auto ring = [&](const QColor& colour, double inset) {
        if (colour.alpha() == 0) return;
        painter.setPen(QPen(colour, 2));
        painter.drawRoundedRect(whole.adjusted(inset + 1, inset + 1, -inset - 1, -inset - 1), CardFrame::radius - inset,
                                CardFrame::radius - inset);
    };
    ring(look.outerRing, 0);
    ring(look.innerRing, 2);
    return frame;
}

} // namespace

QPainterPath CardFrame::outline(const QSizeF& size) {
    QPainterPath path;
    path.addRoundedRect(QRectF(QPointF(0, 0), size).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    return path;
}

void CardFrame::roundTopCorners(QImage& image) {
    const double ratio = image.devicePixelRatio();
    const QSizeF size = QSizeF(image.size()) / ratio;
    // Only the corner rows are masked, so that the clipped fill stays small.
    const int corner = static_cast<int>(std::ceil(radius * ratio)) + 1;
    const QRect top(0, 0, image.width(), std::min(corner, image.height()));
    QImage mask(top.size(), QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    {
        QPainter painter(&mask);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(ratio, ratio);
        // The card's outer edge, round which its border is stroked: the picture's sides run
        // on below the corners to that edge, under the border, with no step where the mask ends.
        QPainterPath edge;
        edge.addRoundedRect(QRectF(0, 0, size.width(), size.height() + 2 * radius), radius + 0.5, radius + 0.5);
        painter.fillPath(edge, Qt::black);
    }
    // Masked pixel for pixel: a painter scales all it draws by its image's pixel ratio, even
    // after resetTransform, which would put the right-hand corner's mask beyond the image.
    image.setDevicePixelRatio(1);
    {
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        for (const int left : {0, std::max(0, image.width() - corner)}) {
            const QRect square = QRect(left, 0, corner, top.height()).intersected(top);
            painter.drawImage(square.topLeft(), mask, square);
        }
    }
    image.setDevicePixelRatio(ratio);
}

QImage CardFrame::picture(const QImage& thumbnail, const QSize& size, double pixelRatio, const QColor& light,
                          const QColor& dark) {
    const QSize pixels = (QSizeF(size) * pixelRatio).toSize();
    // Scaled once here rather than at every paint, and by QImage, whose scaling a painter
    // clipped to rounded corners would spread over Qt's thread pool.
    const QImage scaled = thumbnail.scaled(pixels, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    // Painted in pixels, the ratio set once it is drawn: see roundTopCorners.
    QImage drawn(pixels, QImage::Format_ARGB32_Premultiplied);
    {
        QPainter painter(&drawn);
        painter.scale(pixelRatio, pixelRatio);
        fillCheckerboard(painter, QRectF(QPointF(0, 0), QSizeF(size)), light, dark, pixelRatio);
        painter.resetTransform();
        painter.drawImage(QPoint((pixels.width() - scaled.width()) / 2, (pixels.height() - scaled.height()) / 2),
                          scaled);
    }
    drawn.setDevicePixelRatio(pixelRatio);
    roundTopCorners(drawn);
    return drawn;
}

void CardFrame::fillCheckerboard(QPainter& painter, const QRectF& area, const QColor& light, const QColor& dark,
                                 double pixelRatio) {
    QPixmap tile(QSize(16, 16) * pixelRatio);
    tile.setDevicePixelRatio(pixelRatio);
    tile.fill(light);
    {
        QPainter squares(&tile);
        squares.fillRect(QRectF(8, 0, 8, 8), dark);
        squares.fillRect(QRectF(0, 8, 8, 8), dark);
    }
    // Tile by tile: copies, where a textured fill would be spread over Qt's thread pool.
    painter.save();
    painter.setClipRect(area, Qt::IntersectClip);
    for (double y = area.top(); y < area.bottom(); y += 16) {
        for (double x = area.left(); x < area.right(); x += 16) painter.drawPixmap(QPointF(x, y), tile);
    }
    painter.restore();
}

CardFrame CardFrame::of(const Look& look) {
    platform::assertMainThread();
    // The most recently used first.
    static std::vector<std::pair<Look, CardFrame>> kept;
    const auto found = std::find_if(kept.begin(), kept.end(), [&](const auto& entry) { return entry.first == look; });
    if (found != kept.end()) {
        std::rotate(kept.begin(), found, found + 1);
    } else {
        if (kept.size() == keptFrames) kept.pop_back();
        kept.insert(kept.begin(), {look, draw(look)});
    }
    return kept.front().second;
}

} // namespace pictavo
