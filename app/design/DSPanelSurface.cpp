#include "app/design/DSPanelSurface.h"

#include "app/design/DSPalette.h"
#include "app/design/DSTheme.h"

#include <QBitmap>
#include <QPainter>
#include <QScrollBar>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <vector>

namespace pictavo {

namespace {

// Three passes of a box blur of this radius come close to a Gaussian shadow reaching three times
// as far; the shadow falls a little below the panel, as light from above would cast it.
constexpr int blurRadius = 5;
constexpr int blurPasses = 3;
constexpr int shadowDrop = 4;
constexpr int shadowReach = blurRadius * blurPasses;

// One pass of a box blur along rows (step 1) or columns (step = width) of an alpha map.
void boxBlur(std::vector<int>& alpha, int width, int height, bool alongRows) {
    const int lines = alongRows ? height : width;
    const int length = alongRows ? width : height;
    const int step = alongRows ? 1 : width;
    const int window = 2 * blurRadius + 1;
    std::vector<int> line(std::size_t(length), 0);
    for (int l = 0; l < lines; ++l) {
        const int start = alongRows ? l * width : l;
        for (int i = 0; i < length; ++i) line[std::size_t(i)] = alpha[std::size_t(start + i * step)];
        int sum = 0;
        for (int i = -blurRadius; i <= blurRadius; ++i) {
            if (i >= 0 && i < length) sum += line[std::size_t(i)];
        }
        for (int i = 0; i < length; ++i) {
            alpha[std::size_t(start + i * step)] = sum / window;
            const int leaving = i - blurRadius;
            const int entering = i + blurRadius + 1;
            if (leaving >= 0) sum -= line[std::size_t(leaving)];
            if (entering < length) sum += line[std::size_t(entering)];
        }
    }
}

} // namespace

QPainterPath roundedPanelShape(const QRectF& rect, double radius) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

DSPanelSurface::DSPanelSurface(bool composited) : composited_(composited) {}

QMargins DSPanelSurface::margins() const {
    if (!composited_) return {};
    return {shadowReach, shadowReach - shadowDrop, shadowReach, shadowReach + shadowDrop};
}

void DSPanelSurface::prepare(QWidget* window) const {
    window->setAttribute(Qt::WA_TranslucentBackground, composited_);
    window->setContentsMargins(margins());
}

void DSPanelSurface::paint(QPainter& painter, const QPainterPath& shape) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect canvas = painter.window();
    if (composited_) {
        painter.drawImage(0, 0, shadowFor(shape, canvas.size(), palette::DSPanelShadow().current()));
    } else {
        // The window is cut to the shape: its edge pixels blend with the backing, never with black.
        painter.fillRect(canvas, palette::DSGlassSolid().current());
    }
    painter.fillPath(shape, palette::DSGlassSolid().current());
    painter.fillPath(shape, palette::DSMenuPanel().current());
    painter.restore();
}

void DSPanelSurface::paintEdge(QPainter& painter, const QPainterPath& edge) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.strokePath(edge, QPen(palette::DSSeparator().current(), 1.0));
    painter.restore();
}

void DSPanelSurface::fitWindow(QWidget* window, const QPainterPath& shape) const {
    if (composited_) return;
    // The pixels whose centres lie inside the shape. A polygon rounded to whole pixels leans to
    // one side: along a slanted side it cuts the edge off one side and keeps it on the other.
    QImage inside(window->size(), QImage::Format_ARGB32_Premultiplied);
    inside.fill(Qt::transparent);
    QPainter painter(&inside);
    painter.fillPath(shape, Qt::black);
    painter.end();
    window->setMask(QBitmap::fromImage(inside.createAlphaMask()));
}

void DSPanelSurface::roundCorners(QWidget* widget, double cornerRadius) {
    widget->setMask(QRegion(roundedPanelShape(QRectF(widget->rect()), cornerRadius).toFillPolygon().toPolygon()));
}

void DSPanelSurface::styleScrollBar(QScrollBar* bar, double cornerRadius) {
    // The style's own bar, with its groove and arrows, would stand square in the round corners.
    const auto restyle = [bar, cornerRadius] {
        const int clear = int(std::ceil(cornerRadius / 2));
        bar->setStyleSheet(QStringLiteral("QScrollBar:vertical { background: transparent; width: 10px;"
                                          " margin: %1px 2px %1px 0px; }"
                                          "QScrollBar::handle:vertical { background: %2; border-radius: 4px;"
                                          " min-height: 24px; }"
                                          "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0px; }"
                                          "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical"
                                          " { background: transparent; }")
                               .arg(clear)
                               .arg(palette::tertiaryLabel().current().name(QColor::HexArgb)));
    };
    restyle();
    QObject::connect(&DSTheme::shared(), &DSTheme::changed, bar, restyle);
}

const QImage& DSPanelSurface::shadowFor(const QPainterPath& shape, QSize canvas, QColor colour) {
    if (shadow_.size() == canvas && shadowShape_ == shape && shadowColour_ == colour.rgba()) return shadow_;
    QImage mask(canvas, QImage::Format_Alpha8);
    mask.fill(0);
    {
        QPainter painter(&mask);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(shape.translated(0, shadowDrop), QColor(0, 0, 0, 255));
    }
    const int width = canvas.width();
    const int height = canvas.height();
    std::vector<int> alpha(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y) {
        const uchar* line = mask.constScanLine(y);
        for (int x = 0; x < width; ++x) alpha[std::size_t(y * width + x)] = line[x];
    }
    for (int pass = 0; pass < blurPasses; ++pass) {
        boxBlur(alpha, width, height, true);
        boxBlur(alpha, width, height, false);
    }
    shadow_ = QImage(canvas, QImage::Format_ARGB32_Premultiplied);
    const double strength = colour.alphaF();
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(shadow_.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int a = std::clamp(int(alpha[std::size_t(y * width + x)] * strength + 0.5), 0, 255);
            line[x] = qPremultiply(qRgba(colour.red(), colour.green(), colour.blue(), a));
        }
    }
    shadowShape_ = shape;
    shadowColour_ = colour.rgba();
    return shadow_;
}

} // namespace pictavo
