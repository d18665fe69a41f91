// The alignment as J-LandXML (LandXML 1.2 as Japanese public works exchange
// it) and back. Coordinates are written "X Y" (north east) as LandXML's
// "northing easting"; angles in the file are decimal dd.mm.ss direction
// angles (clockwise from north).
#pragma once

#include "tarn/alignment/alignment.h"

#include <cstdio>
#include <string>
#include <vector>

namespace tarn::alignment {

// The file's coordinate reference: JGD2011 and a plane rectangular zone
// (平面直角座標系) written "N(X,Y)".
struct CoordinateSystem {
    std::string horizontal_datum = "JGD2011";
    std::string horizontal_name; // "9(X,Y)"; empty: no zone given
    std::string vertical_datum;
    std::string name;
};

// "N(X,Y)" for zone N (1..19); empty for 0.
std::string zone_coordinate_system_name(int zone);

// A centre stake (中心杭) as the CgPoints list carries it.
struct Stake {
    std::string name;      // "No.3", "BP" ...
    double distance = 0.0; // 追加距離 from BP
    Point point;
    double direction = 0.0; // radians clockwise from north
};

struct LandXmlOptions {
    std::string criterion = "MlitLandXmlVer.1.7"; // Project Feature applicationCriterion
    std::string application = "tarn";
    std::string application_version = "1.0.0";
    CoordinateSystem coordinate_system;
    double interval = 20.0; // centre-stake spacing, the Interval Feature's main
    std::string date;       // "2026-12-09"
    std::string time;       // "02:30:00"
};

std::string write_landxml(const Alignment& alignment, const LandXmlOptions& options,
                          const std::vector<Stake>& stakes);
// The same, streamed to out.
void write_landxml(std::FILE* out, const Alignment& alignment, const LandXmlOptions& options,
                   const std::vector<Stake>& stakes);

// What a LandXML file gave besides the alignment itself.
struct LandXmlDocument {
    Alignment alignment;
    CoordinateSystem coordinate_system;
    double interval = 0.0; // the Interval Feature's main; 0 if absent
};

struct LandXmlReadResult {
    bool ok = false;
    LandXmlDocument document;
    std::vector<std::string> errors; // one line each, naming the element
};

// Reads the Alignment named `name` (the only one when `name` is empty) from
// its CoordGeom, staStart and StaEquations, and checks that each element
// starts where the one before ends, in the same direction.
LandXmlReadResult read_landxml(const std::string& text, const std::string& name = "");

// Continuity limits of the reader.
constexpr double kMaxGap = 1e-6;  // metres
constexpr double kMaxKink = 1e-8; // radians

} // namespace tarn::alignment
