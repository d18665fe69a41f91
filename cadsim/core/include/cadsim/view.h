// Where the drawing area shows which part of the world: the mapping between
// drawing units and pixels, and the view that fits the whole drawing.
#pragma once

#include "cadsim/numbers.h"

#include <optional>

namespace cadsim {

// Pixels, right and bottom exclusive, as a window's client rectangle.
struct Area {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

struct Pixel {
    int x = 0;
    int y = 0;
};

struct View {
    Area area;
    double centre_x = 50.0;
    double centre_y = 50.0;
    double scale = 1.0; // pixels per drawing unit

    // Clamped to what GDI draws; a point beyond any finite pixel lands at 0.
    Pixel to_screen(const Point& p) const;
    std::optional<Point> to_world(int x, int y) const;
};

// The smallest rectangle holding every point included.
struct Extent {
    bool any = false;
    double min_x = 0.0;
    double min_y = 0.0;
    double max_x = 0.0;
    double max_y = 0.0;

    void include(const Point& p);
};

// The view of `area` that shows the extent with a 5 % margin on each side;
// with no points, the square from (0, 0) to (100, 100).
View fit_view(Area area, const Extent& extent);

} // namespace cadsim
