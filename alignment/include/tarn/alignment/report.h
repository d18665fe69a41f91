// The 線形計算書 (alignment calculation report) as one self-contained HTML
// file in Japanese for A4 print, and its plan alone as SVG.
#pragma once

#include "tarn/alignment/alignment.h"
#include "tarn/alignment/landxml.h"
#include "tarn/alignment/stations.h"

#include <cstdio>
#include <string>
#include <vector>

namespace tarn::alignment {

// A width stake pair (幅杭) at a centre stake.
struct WidthStake {
    std::string name; // the centre stake's name
    Point left;
    Point right;
};

struct ReportOptions {
    std::string date;       // printed in the header
    std::string speed;      // design speed text, "60 km/h"; empty: not given
    std::string zone;       // "IX" or the file's coordinate system name
    double interval = 20.0; // centre-stake spacing
    double left_width = 0.0;
    double right_width = 0.0;
    std::vector<Stake> centre_stakes;
    std::vector<WidthStake> width_stakes;
    std::vector<std::string> findings; // standards check, one line each
};

// The clothoid element table (クロソイド要素) of one clothoid, by the formulas
// of Japanese practice from its origin (the point of zero curvature): τ = L/2R,
// X and Y the end point, X_M = X - R sin τ, ΔR = Y - R(1 - cos τ),
// T_K = Y / sin τ, T_L = X - Y / tan τ, S_0 = √(X² + Y²), σ = atan(Y / X).
struct ClothoidTable {
    double a = 0.0, l = 0.0, r = 0.0, tau = 0.0, delta_r = 0.0, x = 0.0, y = 0.0, x_m = 0.0,
           t_k = 0.0, t_l = 0.0, s_0 = 0.0, sigma = 0.0;
};

// For a clothoid from (or to) a straight; an egg clothoid is measured from
// the origin of its clothoid, out to its sharper end.
ClothoidTable clothoid_table(const Element& spiral);

std::string write_plan_svg(const Alignment& alignment, const ReportOptions& options);
std::string write_report_html(const Alignment& alignment, const ReportOptions& options);
// The same, streamed to out.
void write_plan_svg(std::FILE* out, const Alignment& alignment, const ReportOptions& options);
void write_report_html(std::FILE* out, const Alignment& alignment, const ReportOptions& options);

} // namespace tarn::alignment
