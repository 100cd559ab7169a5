#pragma once

namespace pictavo {

// How the card grid fills its width: as many columns of at least the minimum width as fit
// with the spacing between them, every column equally wide.
struct GridGeometry {
    static constexpr double minimumCardWidth = 240;
    static constexpr double spacing = 16;
    // Around the grid, inside the scroll area.
    static constexpr double padding = 24;

    // `width` is what the grid has, its padding already taken off; always at least 1.
    static int columnsFor(double width);
    static double cardWidth(double width, int columns);
};

} // namespace pictavo
