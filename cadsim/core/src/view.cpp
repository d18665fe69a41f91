#include "cadsim/view.h"

#include <algorithm>
#include <cmath>

namespace cadsim {
namespace {

int clamp_pixel(double value) {
    if (!std::isfinite(value)) {
        return 0;
    }
    return static_cast<int>(std::clamp(value, -30000.0, 30000.0));
}

} // namespace

Pixel View::to_screen(const Point& p) const {
    const double width = area.right - area.left;
    const double height = area.bottom - area.top;
    return Pixel{clamp_pixel(area.left + width / 2 + (p.x - centre_x) * scale),
                 clamp_pixel(area.top + height / 2 - (p.y - centre_y) * scale)};
}

std::optional<Point> View::to_world(int x, int y) const {
    if (!(scale > 0.0) || !std::isfinite(scale)) {
        return std::nullopt;
    }
    const double width = area.right - area.left;
    const double height = area.bottom - area.top;
    const Point p{centre_x + (x - area.left - width / 2) / scale,
                  centre_y - (y - area.top - height / 2) / scale, 0.0};
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
        return std::nullopt;
    }
    return p;
}

void Extent::include(const Point& p) {
    if (!any) {
        min_x = max_x = p.x;
        min_y = max_y = p.y;
        any = true;
    }
    min_x = std::min(min_x, p.x);
    max_x = std::max(max_x, p.x);
    min_y = std::min(min_y, p.y);
    max_y = std::max(max_y, p.y);
}

View fit_view(Area area, const Extent& points) {
    View result;
    result.area = area;
    const double min_x = points.any ? points.min_x : 0.0;
    const double min_y = points.any ? points.min_y : 0.0;
    const double max_x = points.any ? points.max_x : 100.0;
    const double max_y = points.any ? points.max_y : 100.0;
    // A single point or a line along an axis still needs some extent.
    const double extent = std::max({max_x - min_x, max_y - min_y, 1e-9});
    const double span_x = std::max(max_x - min_x, extent * 0.01);
    const double span_y = std::max(max_y - min_y, extent * 0.01);
    result.centre_x = min_x / 2 + max_x / 2;
    result.centre_y = min_y / 2 + max_y / 2;
    const double width = std::max(1, area.right - area.left);
    const double height = std::max(1, area.bottom - area.top);
    result.scale = std::min(width / (span_x * 1.1), height / (span_y * 1.1));
    return result;
}

} // namespace cadsim
