#include "svg_preview.h"

#include "numbers.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tarn_cli {
namespace {

constexpr double kWidth = 800.0;
constexpr double kMargin = 60.0;

struct Frame {
    double min_x, min_y, max_x, max_y, scale;
    double height() const { return (max_y - min_y) * scale + 2 * kMargin; }
    // Drawing coordinates to the picture's, y pointing down.
    std::string at(curvelib::Point p) const {
        return fixed((p.x - min_x) * scale + kMargin, 3) + "," +
               fixed((max_y - p.y) * scale + kMargin, 3);
    }
};

Frame frame_around(const std::vector<curvelib::Point>& points) {
    Frame f{points[0].x, points[0].y, points[0].x, points[0].y, 1.0};
    for (const curvelib::Point& p : points) {
        f.min_x = std::min(f.min_x, p.x);
        f.min_y = std::min(f.min_y, p.y);
        f.max_x = std::max(f.max_x, p.x);
        f.max_y = std::max(f.max_y, p.y);
    }
    const double extent = std::max({f.max_x - f.min_x, f.max_y - f.min_y, 1e-9});
    f.scale = (kWidth - 2 * kMargin) / extent;
    return f;
}

std::string polyline(const Frame& f, const std::vector<curvelib::Point>& points,
                     const char* style) {
    std::string text = "<polyline fill=\"none\" " + std::string(style) + " points=\"";
    for (const curvelib::Point& p : points) {
        text += f.at(p) + " ";
    }
    return text + "\"/>\n";
}

std::string label(const Frame& f, curvelib::Point p, const char* name) {
    const std::string at = f.at(p);
    const std::size_t comma = at.find(',');
    const std::string x = at.substr(0, comma), y = at.substr(comma + 1);
    return "<circle cx=\"" + x + "\" cy=\"" + y + "\" r=\"3\" fill=\"#c00\"/>\n<text x=\"" + x +
           "\" y=\"" + y + "\" dx=\"6\" dy=\"-6\" font-family=\"sans-serif\" font-size=\"14\">" +
           name + "</text>\n";
}

// 1, 2 or 5 times a power of ten, near a fifth of the extent.
double bar_length(double extent) {
    const double target = extent / 5.0;
    const double power = std::pow(10.0, std::floor(std::log10(target)));
    for (double step : {5.0, 2.0, 1.0}) {
        if (step * power <= target) {
            return step * power;
        }
    }
    return power;
}

} // namespace

std::string svg_preview(const Result& r) {
    // The clothoid from KA to its end, finely enough for a smooth picture.
    std::vector<curvelib::Point> curve;
    const double length = r.curve_length_m();
    for (int i = 0; i <= 200; ++i) {
        curve.push_back(r.curve_point(length * i / 200.0));
    }
    std::vector<curvelib::Point> drawn;
    for (std::size_t i = 0; i < r.vertex_count(); ++i) {
        drawn.push_back(r.vertex(i));
    }
    std::vector<curvelib::Point> all = curve;
    all.insert(all.end(), drawn.begin(), drawn.end());
    all.push_back(r.ka());
    all.push_back(r.ke());
    all.push_back(r.side());
    const Frame f = frame_around(all);
    const double height = f.height();

    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      fixed(kWidth, 0) + "\" height=\"" + fixed(height, 0) + "\" viewBox=\"0 0 " +
                      fixed(kWidth, 0) + " " + fixed(height, 0) + "\">\n";
    svg += "<title>" + std::string(kind_title(r.request().kind)) + "</title>\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    svg += polyline(f, {r.ka(), r.ke()}, "stroke=\"#888\" stroke-dasharray=\"6 4\"");
    svg += polyline(f, curve, "stroke=\"#048\" stroke-width=\"2\"");
    svg += polyline(f, drawn, "stroke=\"#c40\" stroke-width=\"1.5\"");
    svg += label(f, r.ka(), "KA");
    svg += label(f, r.ke(), r.request().kind == Kind::centre_of_length ? "KE方向" : "KE");
    svg += label(f, r.side(), "側点");

    const double extent = std::max(f.max_x - f.min_x, f.max_y - f.min_y);
    const double bar = bar_length(extent > 0 ? extent : 1.0);
    const double y = height - 20.0;
    svg += "<line x1=\"" + fixed(kMargin, 3) + "\" y1=\"" + fixed(y, 3) + "\" x2=\"" +
           fixed(kMargin + bar * f.scale, 3) + "\" y2=\"" + fixed(y, 3) +
           "\" stroke=\"black\" stroke-width=\"3\"/>\n";
    svg += "<text x=\"" + fixed(kMargin, 3) + "\" y=\"" + fixed(y - 8, 3) +
           "\" font-family=\"sans-serif\" font-size=\"12\">" + exact(bar) +
           (r.request().millimetres ? " mm" : " m") + "</text>\n";
    svg += "</svg>\n";
    return svg;
}

} // namespace tarn_cli
