// A solved horizontal alignment: its elements from BP to EP, the IP polygon
// it was designed on, and the stationing. Produced by the IP-method solver or
// rebuilt from a LandXML file; every output is written from it.
#pragma once

#include "tarn/alignment/element.h"

#include <string>
#include <vector>

namespace tarn::alignment {

enum class CurveType { none, circle, clothoid, convex, egg };

// What the designer asked for at one IP (zero where a value does not apply).
struct CurveSpec {
    CurveType type = CurveType::none;
    double r = 0.0;   // circle radius (the first circle of an egg)
    double a1 = 0.0;  // clothoid parameter on the entry side
    double a2 = 0.0;  // on the exit side
    double r2 = 0.0;  // second circle of an egg
    double ae = 0.0;  // egg clothoid between R and R2
    double lc1 = 0.0; // given circle lengths of an egg (one of them)
    double lc2 = 0.0;
};

// A vertex of the IP polygon: BP, IP1 ... IPn, EP, with what the solver found
// there (zero at BP and EP).
struct IntersectionPoint {
    std::string name;
    Point point;
    CurveSpec spec;
    double deflection = 0.0;   // IA, radians, positive turning right
    double tangent_in = 0.0;   // T1, metres from the IP back to the curve's start
    double tangent_out = 0.0;  // T2
    double curve_length = 0.0; // CL
};

// A station equation (ブレーキ): the displayed station `back` on the back side
// equals `ahead` ahead; `internal` is where it lies as a distance from BP.
struct StationEquation {
    double back = 0.0;
    double ahead = 0.0;
    double internal = 0.0;
};

// A named point on the line (KA1-1, BC2, KE3 ...), at a distance from BP.
struct MainPoint {
    std::string name;
    double distance = 0.0; // 追加距離, metres from BP
    Point point;
    double direction = 0.0;
};

struct Alignment {
    std::string name;
    double start_station = 0.0; // displayed station of BP, metres
    std::vector<StationEquation> equations;
    std::vector<IntersectionPoint> ips; // BP first, EP last
    std::vector<Element> elements;      // contiguous from BP to EP
    std::vector<MainPoint> main_points; // BP, the curves' points, EP, in order

    double length() const;
};

} // namespace tarn::alignment
