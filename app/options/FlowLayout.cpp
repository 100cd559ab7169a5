#include "app/options/FlowLayout.h"

#include <algorithm>

namespace pictavo {

std::vector<FlowLayout::Line> FlowLayout::lines(const std::vector<QSizeF>& sizes, std::optional<double> maxWidth) const {
    std::vector<Line> result;
    Line current;
    for (std::size_t index = 0; index < sizes.size(); ++index) {
        const double w = sizes[index].width();
        const double h = sizes[index].height();
        if (!current.indices.empty() && maxWidth && *maxWidth < current.width + spacing + w) {
            result.push_back(current);
            current = Line{{int(index)}, w, h};
            continue;
        }
        current.width = current.indices.empty() ? w : current.width + spacing + w;
        current.height = std::max(current.height, h);
        current.indices.push_back(int(index));
    }
    if (!current.indices.empty()) result.push_back(current);
    return result;
}

QSizeF FlowLayout::sizeThatFits(const std::vector<QSizeF>& sizes, std::optional<double> proposedWidth) const {
    const std::vector<Line> all = lines(sizes, proposedWidth);
    if (all.empty()) return {0, 0};
    double width = 0;
    double height = lineSpacing * double(all.size() - 1);
    for (const Line& line : all) {
        width = std::max(width, line.width);
        height += line.height;
    }
    return {width, height};
}

std::vector<QRectF> FlowLayout::placeSubviews(const std::vector<QSizeF>& sizes, const QRectF& bounds) const {
    std::vector<QRectF> frames(sizes.size());
    double y = bounds.top();
    for (const Line& line : lines(sizes, bounds.width())) {
        double x = bounds.left();
        for (const int index : line.indices) {
            const QSizeF size = sizes[std::size_t(index)];
            frames[std::size_t(index)] = QRectF(QPointF(x, y + (line.height - size.height()) / 2), size);
            x += spacing + size.width();
        }
        y += lineSpacing + line.height;
    }
    return frames;
}

} // namespace pictavo
