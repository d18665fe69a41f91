// The alignment as an R12 DXF drawing in drawing axes (X east, Y north), so
// that it overlays a survey-based drawing: the centre line (lines, arcs and
// the clothoids as polylines at 1 m or finer), the tangent polygon with the
// IP labels, the main points, the station ticks and the width stakes, each
// on its own layer; text in a style with a Japanese font.
#pragma once

#include "tarn/alignment/alignment.h"
#include "tarn/alignment/report.h"

#include <cstdio>
#include <string>
#include <vector>

namespace tarn::alignment {

struct DxfOptions {
    double text_height = 2.0; // metres
    double tick = 2.0;        // half length of a station tick across the line
};

// Layer names.
inline constexpr const char* kLayerCentre = "ALIGN_CENTRE";
inline constexpr const char* kLayerTangent = "ALIGN_TANGENT";
inline constexpr const char* kLayerMainPoints = "ALIGN_MAIN_POINTS";
inline constexpr const char* kLayerStations = "ALIGN_STATIONS";
inline constexpr const char* kLayerWidth = "ALIGN_WIDTH";
// The text style: MS Gothic, the Japanese font every Japanese Windows has.
inline constexpr const char* kTextStyle = "TARN_JP";

// The centre stakes are ticked and labelled, the width stakes joined and marked.
std::string write_dxf(const Alignment& alignment, const std::vector<Stake>& stakes,
                      const std::vector<WidthStake>& width_stakes, const DxfOptions& options = {});
// The same, streamed to out.
void write_dxf(std::FILE* out, const Alignment& alignment, const std::vector<Stake>& stakes,
               const std::vector<WidthStake>& width_stakes, const DxfOptions& options = {});

} // namespace tarn::alignment
