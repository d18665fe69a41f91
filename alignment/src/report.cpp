#include "tarn/alignment/report.h"

#include "tarn/alignment/stations.h"
#include "tarn/format/text_buffer.h"
#include "text_format.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <string_view>

namespace tarn::alignment {
namespace {

using detail::Escaped;
using detail::kPi;
using format::fixed;
using format::TextBuffer;

// Degrees-minutes-seconds with hundredths, rounded as a whole.
struct Dms {
    double radians;
};
TextBuffer& operator<<(TextBuffer& out, Dms d) {
    const long long h = std::llround(std::fabs(d.radians) * 180.0 / kPi * 360000.0);
    if (d.radians < 0.0) {
        out << '-';
    }
    const auto two = [&out](long long v) {
        out << static_cast<char>('0' + v / 10) << static_cast<char>('0' + v % 10);
    };
    out << h / 360000 << "°";
    two(h / 6000 % 60);
    out << "′";
    two(h % 6000 / 100);
    out << '.';
    two(h % 100);
    return out << "″";
}

Dms direction_dms(double radians) {
    return {detail::normalised_direction(radians)};
}

void curve_spec(TextBuffer& out, const CurveSpec& s) {
    switch (s.type) {
    case CurveType::none:
        out << "—";
        return;
    case CurveType::circle:
        out << "単曲線 R=" << fixed(s.r, 3);
        return;
    case CurveType::clothoid:
        out << "基本型 A1=" << fixed(s.a1, 3) << " R=" << fixed(s.r, 3) << " A2=" << fixed(s.a2, 3);
        return;
    case CurveType::convex:
        out << "凸型 A1=" << fixed(s.a1, 3) << " A2=" << fixed(s.a2, 3);
        return;
    case CurveType::egg:
        out << "卵形 A1=" << fixed(s.a1, 3) << " R=" << fixed(s.r, 3) << " Ae=" << fixed(s.ae, 3)
            << " R2=" << fixed(s.r2, 3) << " A2=" << fixed(s.a2, 3);
        return;
    }
}

// A cell of numbers, a direction or a text (escaped), and an empty cell.
template <typename T> void cell(TextBuffer& out, const T& value) {
    out << "<td>" << value << "</td>";
}
void cell(TextBuffer& out, const std::string& text) {
    out << "<td>" << Escaped{text} << "</td>";
}
void empty_cell(TextBuffer& out) {
    out << "<td></td>";
}

// Survey coordinates to the SVG page: east to the right, north up.
struct Frame {
    double min_y = 0, max_x = 0, scale = 1, margin = 40;
    double px(Point p) const { return margin + (p.y - min_y) * scale; }
    double py(Point p) const { return margin + (max_x - p.x) * scale; }
};

format::Fixed coordinate(double v) {
    return fixed(v, 2);
}

} // namespace

ClothoidTable clothoid_table(const Element& e) {
    ClothoidTable t;
    const double k = std::max(std::fabs(e.curvature_start), std::fabs(e.curvature_end));
    t.a = e.parameter();
    t.r = 1.0 / k;
    // The length from the clothoid's origin to its sharper end.
    t.l = t.a * t.a * k;
    t.tau = t.l / (2.0 * t.r);
    Element from_origin{ElementKind::spiral, {0, 0}, 0.0, t.l, 0.0, k, "", "", 0};
    const Pose end = evaluate(from_origin, t.l);
    t.x = end.point.x;
    t.y = end.point.y;
    t.x_m = t.x - t.r * std::sin(t.tau);
    t.delta_r = t.y - t.r * (1.0 - std::cos(t.tau));
    t.t_k = t.y / std::sin(t.tau);
    t.t_l = t.x - t.y / std::tan(t.tau);
    t.s_0 = std::hypot(t.x, t.y);
    t.sigma = std::atan2(t.y, t.x);
    return t;
}

namespace {

void plan_svg(TextBuffer& s, const Alignment& a, const ReportOptions& o) {
    // Every point of the line, each element at 1 m or finer.
    std::vector<Point> line;
    for (const Element& e : a.elements) {
        const int steps = std::max(1, static_cast<int>(std::ceil(e.length)));
        for (int i = line.empty() ? 0 : 1; i <= steps; ++i) {
            line.push_back(evaluate(e, e.length * i / steps).point);
        }
    }
    double min_x = std::numeric_limits<double>::max();
    double max_x = -min_x;
    double min_y = min_x;
    double max_y = -min_x;
    auto extend = [&](Point p) {
        min_x = std::min(min_x, p.x);
        max_x = std::max(max_x, p.x);
        min_y = std::min(min_y, p.y);
        max_y = std::max(max_y, p.y);
    };
    for (const Point& p : line) {
        extend(p);
    }
    for (const IntersectionPoint& ip : a.ips) {
        extend(ip.point);
    }
    if (line.empty()) {
        min_x = max_x = min_y = max_y = 0.0;
    }
    const double width = 1000.0;
    const double span = std::max({max_x - min_x, max_y - min_y, 1.0});
    Frame f;
    f.min_y = min_y;
    f.max_x = max_x;
    f.scale = (width - 2 * f.margin) / span;
    const double height = 2 * f.margin + (max_x - min_x) * f.scale + 40;
    s << "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " << fixed(width, 0) << ' '
      << fixed(height, 0) << "\" font-family=\"IPAGothic, sans-serif\" font-size=\"11\">\n";
    s << "<polyline class=\"tangent\" fill=\"none\" stroke=\"#888\" stroke-dasharray=\"6 4\" "
         "points=\"";
    for (const IntersectionPoint& ip : a.ips) {
        s << coordinate(f.px(ip.point)) << ',' << coordinate(f.py(ip.point)) << ' ';
    }
    s << "\"/>\n<polyline class=\"centre\" fill=\"none\" stroke=\"#c00\" stroke-width=\"1.5\" "
         "points=\"";
    for (const Point& p : line) {
        s << coordinate(f.px(p)) << ',' << coordinate(f.py(p)) << ' ';
    }
    s << "\"/>\n";
    for (const IntersectionPoint& ip : a.ips) {
        s << "<text class=\"ip\" x=\"" << coordinate(f.px(ip.point) + 4) << "\" y=\""
          << coordinate(f.py(ip.point) - 4) << "\">" << Escaped{ip.name} << "</text>\n";
    }
    for (const MainPoint& m : a.main_points) {
        s << "<circle cx=\"" << coordinate(f.px(m.point)) << "\" cy=\"" << coordinate(f.py(m.point))
          << "\" r=\"3\" fill=\"#00c\"/><text class=\"main\" x=\"" << coordinate(f.px(m.point) + 4)
          << "\" y=\"" << coordinate(f.py(m.point) + 12) << "\">" << Escaped{m.name} << "</text>\n";
    }
    // Every displayed station that is a multiple of 100 m, equation by equation.
    double from = 0.0;
    double offset = a.start_station;
    const double total = a.length();
    for (std::size_t k = 0; k <= a.equations.size(); ++k) {
        const double to = k < a.equations.size() ? a.equations[k].internal : total;
        for (double st = std::ceil((from + offset) / 100.0 - 1e-9) * 100.0;
             st <= to + offset + 1e-9; st += 100.0) {
            double d = st - offset;
            std::size_t i = 0;
            while (i + 1 < a.elements.size() && d > a.elements[i].length) {
                d -= a.elements[i].length;
                ++i;
            }
            const Pose p =
                evaluate(a.elements[i], std::min(std::max(d, 0.0), a.elements[i].length));
            s << "<text class=\"station\" x=\"" << coordinate(f.px(p.point) - 10) << "\" y=\""
              << coordinate(f.py(p.point) - 8) << "\" fill=\"#060\">"
              << Escaped{station_notation(st, o.interval)} << "</text>\n";
        }
        if (k < a.equations.size()) {
            from = a.equations[k].internal;
            offset = a.equations[k].ahead - a.equations[k].internal;
        }
    }
    // A scale bar of a round length near a fifth of the plan.
    const double target = span / 5.0;
    const double power = std::pow(10.0, std::floor(std::log10(target)));
    const double bar = target >= 5 * power ? 5 * power : target >= 2 * power ? 2 * power : power;
    const double y = height - 20;
    s << "<g class=\"scale\"><line x1=\"" << coordinate(f.margin) << "\" y1=\"" << coordinate(y)
      << "\" x2=\"" << coordinate(f.margin + bar * f.scale) << "\" y2=\"" << coordinate(y)
      << "\" stroke=\"#000\" stroke-width=\"3\"/><text x=\"" << coordinate(f.margin) << "\" y=\""
      << coordinate(y - 6) << "\">" << fixed(bar, 0) << " m</text></g>\n";
    s << "</svg>\n";
}

void report_html(TextBuffer& h, const Alignment& a, const ReportOptions& o) {
    const std::string title = "線形計算書 " + a.name;
    h << "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"UTF-8\">\n<title>"
      << Escaped{title}
      << "</title>\n<style>\n"
         "@page { size: A4; margin: 15mm; }\n"
         "body { font-family: 'IPAGothic', 'IPAexGothic', sans-serif; font-size: 9pt; }\n"
         "header { border-bottom: 1px solid #000; margin-bottom: 4mm; }\n"
         "section { break-before: page; page-break-before: always; }\n"
         "section.first { break-before: auto; page-break-before: auto; }\n"
         "table { border-collapse: collapse; width: 100%; }\n"
         "th, td { border: 1px solid #444; padding: 1px 4px; text-align: right; }\n"
         "th { background: #eee; } td:first-child { text-align: left; }\n"
         ".running { text-align: right; font-size: 8pt; border-bottom: 1px solid #888; }\n"
         "tr { break-inside: avoid; } svg { width: 100%; max-height: 240mm; }\n"
         "</style>\n</head>\n<body>\n";
    h << "<header><h1>" << Escaped{title} << "</h1><p>作成日 " << Escaped{o.date}
      << "</p></header>\n";
    // Every printed page after the first carries the name and the date too.
    TextBuffer running_text;
    running_text << "<div class=\"running\">" << Escaped{title} << "　" << Escaped{o.date}
                 << "</div>";
    const std::string running = running_text.take();
    h << "<section class=\"first\"><h2>設計条件</h2><table>\n";
    h << "<tr><th>路線名</th>";
    cell(h, a.name);
    h << "</tr>\n<tr><th>設計速度</th>";
    cell(h, o.speed.empty() ? std::string("—") : o.speed);
    h << "</tr>\n<tr><th>座標系</th>";
    cell(h, o.zone.empty() ? std::string("—") : o.zone);
    h << "</tr>\n<tr><th>中心杭間隔</th><td>" << fixed(o.interval, 3) << " m</td></tr>\n";
    h << "<tr><th>起点測点</th>";
    cell(h, station_notation(a.start_station, o.interval));
    h << "</tr>\n";
    for (const StationEquation& e : a.equations) {
        h << "<tr><th>ブレーキ</th><td>追加距離 " << fixed(e.internal, 3)
          << " m: " << Escaped{station_notation(e.back, o.interval)}
          << " (後) = " << Escaped{station_notation(e.ahead, o.interval)} << " (前)</td></tr>\n";
    }
    h << "</table>\n";
    h << "<h2>標準値の照査</h2>\n<ul>\n";
    if (o.findings.empty()) {
        h << "<li>指摘なし</li>\n";
    }
    for (const std::string& finding : o.findings) {
        h << "<li>" << Escaped{finding} << "</li>\n";
    }
    h << "</ul></section>\n";

    h << "<section>" << running
      << "<h2>IP 表</h2><table>\n<tr><th>点名</th><th>X</th><th>Y</th><th>IA</th>"
         "<th>方向角</th><th>IP 間距離</th><th>曲線</th><th>T1</th><th>T2</th><th>CL</th></tr>\n";
    for (std::size_t i = 0; i < a.ips.size(); ++i) {
        const IntersectionPoint& ip = a.ips[i];
        const bool has_next = i + 1 < a.ips.size();
        const Point next = has_next ? a.ips[i + 1].point : ip.point;
        const bool interior = i > 0 && has_next;
        h << "<tr>";
        cell(h, ip.name);
        cell(h, fixed(ip.point.x, 4));
        cell(h, fixed(ip.point.y, 4));
        if (interior) {
            cell(h, Dms{ip.deflection});
        } else {
            empty_cell(h);
        }
        if (has_next) {
            cell(h, direction_dms(direction_between(ip.point, next)));
            cell(h, fixed(std::hypot(next.x - ip.point.x, next.y - ip.point.y), 4));
        } else {
            empty_cell(h);
            empty_cell(h);
        }
        if (interior) {
            h << "<td>";
            curve_spec(h, ip.spec);
            h << "</td>";
            cell(h, fixed(ip.tangent_in, 4));
            cell(h, fixed(ip.tangent_out, 4));
            cell(h, fixed(ip.curve_length, 4));
        } else {
            for (int k = 0; k < 4; ++k) {
                empty_cell(h);
            }
        }
        h << "</tr>\n";
    }
    h << "</table></section>\n";

    h << "<section>" << running << "<h2>クロソイド要素表</h2>\n";
    for (const Element& e : a.elements) {
        if (e.kind != ElementKind::spiral) {
            continue;
        }
        const ClothoidTable t = clothoid_table(e);
        h << "<h3>" << Escaped{e.start_name + " ～ " + e.end_name} << "</h3><table>\n<tr>";
        for (const char* name : {"A", "L", "R", "τ", "ΔR", "X", "Y", "X<sub>M</sub>",
                                 "T<sub>K</sub>", "T<sub>L</sub>", "S<sub>0</sub>", "σ"}) {
            h << "<th>" << name << "</th>";
        }
        h << "</tr>\n<tr>";
        cell(h, fixed(t.a, 3));
        cell(h, fixed(t.l, 4));
        cell(h, fixed(t.r, 3));
        cell(h, Dms{t.tau});
        for (const double v : {t.delta_r, t.x, t.y, t.x_m, t.t_k, t.t_l, t.s_0}) {
            cell(h, fixed(v, 4));
        }
        cell(h, Dms{t.sigma});
        h << "</tr>\n</table>\n";
    }
    h << "</section>\n";

    h << "<section>" << running
      << "<h2>主要点</h2><table>\n<tr><th>点名</th><th>測点</th><th>追加距離</th>"
         "<th>X</th><th>Y</th><th>方向角</th></tr>\n";
    for (const MainPoint& m : a.main_points) {
        h << "<tr>";
        cell(h, m.name);
        cell(h, station_notation(displayed_station(a, m.distance), o.interval));
        cell(h, fixed(m.distance, 3));
        cell(h, fixed(m.point.x, 4));
        cell(h, fixed(m.point.y, 4));
        cell(h, direction_dms(m.direction));
        h << "</tr>\n";
    }
    h << "</table></section>\n";

    h << "<section>" << running
      << "<h2>中心杭</h2><table>\n<tr><th>測点</th><th>追加距離</th><th>X</th><th>Y</th>"
         "<th>方向角</th></tr>\n";
    for (const Stake& s : o.centre_stakes) {
        h << "<tr>";
        cell(h, s.name);
        cell(h, fixed(s.distance, 3));
        cell(h, fixed(s.point.x, 4));
        cell(h, fixed(s.point.y, 4));
        cell(h, direction_dms(s.direction));
        h << "</tr>\n";
    }
    h << "</table>\n";
    if (!o.width_stakes.empty()) {
        h << "<h2>幅杭</h2><table>\n<tr><th>測点</th><th>左 X</th><th>左 Y</th><th>右 X</th>"
             "<th>右 Y</th></tr>\n";
        for (const WidthStake& w : o.width_stakes) {
            h << "<tr>";
            cell(h, w.name);
            cell(h, fixed(w.left.x, 4));
            cell(h, fixed(w.left.y, 4));
            cell(h, fixed(w.right.x, 4));
            cell(h, fixed(w.right.y, 4));
            h << "</tr>\n";
        }
        h << "</table>\n";
    }
    h << "</section>\n";
    h << "<section>" << running << "<h2>平面図</h2>\n";
    plan_svg(h, a, o);
    h << "</section>\n</body>\n</html>\n";
}

} // namespace

std::string write_plan_svg(const Alignment& a, const ReportOptions& o) {
    TextBuffer out;
    plan_svg(out, a, o);
    return out.take();
}

void write_plan_svg(std::FILE* sink, const Alignment& a, const ReportOptions& o) {
    TextBuffer out(sink);
    plan_svg(out, a, o);
}

std::string write_report_html(const Alignment& a, const ReportOptions& o) {
    TextBuffer out;
    report_html(out, a, o);
    return out.take();
}

void write_report_html(std::FILE* sink, const Alignment& a, const ReportOptions& o) {
    TextBuffer out(sink);
    report_html(out, a, o);
}

} // namespace tarn::alignment
