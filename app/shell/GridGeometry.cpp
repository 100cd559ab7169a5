#include "app/shell/GridGeometry.h"

#include <algorithm>
#include <cmath>

namespace pictavo {

int GridGeometry::columnsFor(double width) {
    if (!(width > 0)) return 1;
    return std::max(1, static_cast<int>(std::floor((width + spacing) / (minimumCardWidth + spacing))));
}

double GridGeometry::cardWidth(double width, int columns) {
    const int count = std::max(columns, 1);
    return (width - spacing * (count - 1)) / count;
}

} // namespace pictavo
