#include "tarn/alignment/standards.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace tarn::alignment {
namespace {

constexpr std::array<DesignSpeed, 8> kSpeeds = {{{120, 710, 570, 100},
                                                 {100, 460, 380, 85},
                                                 {80, 280, 230, 70},
                                                 {60, 150, 120, 50},
                                                 {50, 100, 80, 40},
                                                 {40, 60, 50, 35},
                                                 {30, 30, 0, 25},
                                                 {20, 15, 0, 20}}};

// A and R agree to this much before a bound counts as broken.
constexpr double kSlack = 1e-6;

std::string text(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string text(const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

bool from_straight(const Element& e) {
    return e.kind == ElementKind::spiral && (e.curvature_start == 0.0 || e.curvature_end == 0.0);
}

} // namespace

const DesignSpeed* design_speed(int kmh) {
    for (const DesignSpeed& s : kSpeeds) {
        if (s.kmh == kmh) {
            return &s;
        }
    }
    return nullptr;
}

std::vector<std::string> check_standards(const Alignment& a, const DesignSpeed& v) {
    std::vector<std::string> findings;
    const auto ip_name = [&](std::size_t ip) {
        return ip < a.ips.size() ? a.ips[ip].name : "IP" + std::to_string(ip);
    };
    // The smallest radius at each IP.
    std::vector<double> radius(a.ips.size(), 0.0);
    for (const Element& e : a.elements) {
        const double k = std::max(std::fabs(e.curvature_start), std::fabs(e.curvature_end));
        if (k > 0 && e.ip < radius.size()) {
            radius[e.ip] = radius[e.ip] > 0 ? std::min(radius[e.ip], 1.0 / k) : 1.0 / k;
        }
    }
    for (std::size_t i = 0; i < radius.size(); ++i) {
        const double r = radius[i];
        if (r <= 0 || r >= v.min_radius - kSlack) {
            continue;
        }
        if (v.special_radius > 0 && r >= v.special_radius - kSlack) {
            findings.push_back(text("%s: R %.3f m is below the minimum radius %.0f m at %d km/h; "
                                    "the special value %.0f m applies only where the terrain "
                                    "leaves no choice",
                                    ip_name(i).c_str(), r, v.min_radius, v.kmh, v.special_radius));
        } else {
            findings.push_back(text("%s: R %.3f m is below the minimum radius %.0f m at %d km/h",
                                    ip_name(i).c_str(), r, v.min_radius, v.kmh));
        }
    }
    for (std::size_t i = 0; i < a.elements.size(); ++i) {
        const Element& e = a.elements[i];
        if (!from_straight(e)) {
            continue;
        }
        const double k = std::max(std::fabs(e.curvature_start), std::fabs(e.curvature_end));
        const double r = 1.0 / k;
        const double param = e.parameter();
        const std::string name = ip_name(e.ip);
        if (e.length < v.min_transition - kSlack) {
            findings.push_back(text("%s: the transition %s-%s is %.3f m long, shorter than the "
                                    "%.0f m the ordinance asks at %d km/h",
                                    name.c_str(), e.start_name.c_str(), e.end_name.c_str(),
                                    e.length, v.min_transition, v.kmh));
        }
        if (param < r / 3 - kSlack || param > r + kSlack) {
            findings.push_back(text("%s: A %.3f m with R %.3f m is outside R/3 <= A <= R",
                                    name.c_str(), param, r));
        }
        // An S: this clothoid runs into a straight-free reverse one.
        if (i + 1 < a.elements.size()) {
            const Element& next = a.elements[i + 1];
            if (e.curvature_end == 0.0 && from_straight(next) && next.curvature_start == 0.0 &&
                e.curvature_start * next.curvature_end < 0) {
                const double a1 = param;
                const double a2 = next.parameter();
                const double ratio = std::max(a1, a2) / std::min(a1, a2);
                if (ratio > 1.5 + kSlack) {
                    findings.push_back(text("%s, %s: the S's clothoids A %.3f m and %.3f m differ "
                                            "by %.3f times, more than 1.5",
                                            name.c_str(), ip_name(next.ip).c_str(), a1, a2, ratio));
                }
            }
        }
    }
    return findings;
}

} // namespace tarn::alignment
