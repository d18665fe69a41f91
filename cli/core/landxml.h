// The placed clothoid as a LandXML 1.2 alignment: an optional tangent Line
// before KA, then the Spiral from KA to the curve's end. Coordinates are
// metres in LandXML's northing-easting order; directions are radians
// counter-clockwise from north, as LandXML measures them.
#pragma once

#include "construction.h"

#include <string>

namespace tarn_cli {

struct LandXmlOptions {
    double lead_in_m = 0.0; // length of the tangent before KA; 0: none
    std::string date;       // "2026-12-07"
    std::string time;       // "17:10:00"
};

std::string landxml_text(const Result& result, const LandXmlOptions& options);

} // namespace tarn_cli
