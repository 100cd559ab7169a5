#pragma once
#include <QRectF>
#include <QSizeF>

#include <optional>
#include <vector>

namespace pictavo {

// Items laid out left to right, wrapping onto a new line when the next one would pass the
// width; each item is centred vertically in its line. Works on the items' ideal sizes alone, so
// a widget that paints its items can lay them out and measure itself with it.
struct FlowLayout {
    double spacing = 0;
    double lineSpacing = 0;

    struct Line {
        // Positions of the items on the line, in order.
        std::vector<int> indices;
        // The items' widths and the gaps between them.
        double width = 0;
        // The tallest item's height.
        double height = 0;
        bool operator==(const Line&) const = default;
    };

    // An item wider than the width still gets a line of its own; without a width everything is
    // on one line.
    std::vector<Line> lines(const std::vector<QSizeF>& sizes, std::optional<double> maxWidth) const;
    // The widest line by the lines' heights and the gaps between them; 0 × 0 for no items.
    QSizeF sizeThatFits(const std::vector<QSizeF>& sizes, std::optional<double> proposedWidth) const;
    // Each item's frame, in item order, for lines as wide as the bounds.
    std::vector<QRectF> placeSubviews(const std::vector<QSizeF>& sizes, const QRectF& bounds) const;
};

} // namespace pictavo
