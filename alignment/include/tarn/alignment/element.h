// One element of a horizontal alignment (a straight, a circular arc or a
// clothoid) and its exact evaluation. Survey axes throughout: x is north, y is
// east, metres; a direction angle (方向角) is measured clockwise from north, in
// radians, so a positive curvature turns the line to the right.
#pragma once

#include <cstddef>
#include <string>

namespace tarn::alignment {

struct Point {
    double x = 0.0; // north
    double y = 0.0; // east
};

enum class ElementKind { line, arc, spiral };

// A curve whose curvature runs linearly from curvature_start to curvature_end
// over its length: equal and zero for a straight, equal and non-zero for an
// arc, different for a clothoid (an egg clothoid has both ends non-zero).
struct Element {
    ElementKind kind = ElementKind::line;
    Point start;
    double start_direction = 0.0; // radians clockwise from north
    double length = 0.0;          // metres, > 0
    double curvature_start = 0.0; // 1/m, positive turning right
    double curvature_end = 0.0;
    std::string start_name; // main point at the start (KA1-1, BC2 ...), may be empty
    std::string end_name;
    std::size_t ip = 0; // index of the IP the element belongs to; 0 for a tangent

    // The clothoid parameter A = sqrt(L / |Δκ|); 0 for a straight or an arc.
    double parameter() const;
};

struct Pose {
    Point point;
    double direction = 0.0; // radians clockwise from north
    double curvature = 0.0;
};

// The pose at distance s (0 <= s <= length) from the element's start.
// Straights and arcs in closed form; clothoids by Gauss-Legendre quadrature on
// pieces short enough that the result is exact to well below 1e-9 m.
Pose evaluate(const Element& element, double s);

// Direction angle of the vector from a to b.
double direction_between(Point a, Point b);

} // namespace tarn::alignment
