#include "alignment_command.h"

#include "alignment_tables.h"
#include "output_files.h"
#include "table_writer.h"
#include "tarn/alignment/ip_table.h"
#include "tarn/alignment/solver.h"
#include "tarn/alignment/standards.h"
#include "tarn/alignment/stations.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>

namespace tarn_cli {
namespace {

using namespace tarn::alignment;

constexpr int kExitRefused = 1;

[[noreturn]] void usage(const std::string& option, const std::string& text) {
    throw CLI::ValidationError(option, text);
}

bool parse_number(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && std::isfinite(value);
}

bool parse_pair(const std::string& text, char separator, double& a, double& b) {
    const std::size_t at = text.find(separator);
    return at != std::string::npos && parse_number(text.substr(0, at), a) &&
           parse_number(text.substr(at + 1), b);
}

// A displayed station as metres ("125.5") or as the notation ("No.6+5.5",
// "No.-4-10").
double parse_station(const std::string& text, double interval) {
    double value = 0.0;
    if (parse_number(text, value)) {
        return value;
    }
    if (text.compare(0, 3, "No.") == 0) {
        const std::string rest = text.substr(3);
        const bool negative = !rest.empty() && rest[0] == '-';
        const std::string body = negative ? rest.substr(1) : rest;
        const std::size_t sign = body.find_first_of("+-");
        double n = 0.0;
        double d = 0.0;
        if (parse_number(body.substr(0, sign), n) && n == std::floor(n) && n >= 0 &&
            (sign == std::string::npos || parse_number(body.substr(sign + 1), d)) && d >= 0 &&
            (sign == std::string::npos || body[sign] == (negative ? '-' : '+'))) {
            const double magnitude = n * interval + d;
            return negative ? -magnitude : magnitude;
        }
    }
    usage("--at", "expected a station in metres or as No.n+d, got \"" + text + "\"");
}

std::string fixed(double value, int decimals) {
    TableWriter w;
    w.fixed(value, decimals);
    return w.bytes().substr(3);
}

std::string dms_text(double radians) {
    TableWriter w;
    w.dms(azimuth_degrees(radians), 2);
    // Unquoted for the console.
    std::string text = w.bytes().substr(4);
    return text.substr(0, text.size() - 3) + "\"";
}

const char* kind_word(ElementKind kind) {
    switch (kind) {
    case ElementKind::line:
        return "line";
    case ElementKind::arc:
        return "arc";
    case ElementKind::spiral:
        break;
    }
    return "clothoid";
}

std::string file_stem(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool read_file(const std::string& path, std::string& bytes) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!f) {
        return false;
    }
    char buffer[65536];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) {
        bytes.append(buffer, n);
    }
    return std::ferror(f.get()) == 0;
}

int refuse(const std::string& text) {
    std::cerr << "tarn: " << text << "\n";
    return kExitRefused;
}

std::string summary(const Alignment& a, double interval) {
    std::string out = "alignment " + a.name + ": " + std::to_string(a.ips.size() - 2) + " IPs, " +
                      std::to_string(a.elements.size()) + " elements, " + fixed(a.length(), 4) +
                      " m, " + station_notation(displayed_station(a, 0.0), interval) + " to " +
                      station_notation(displayed_station(a, a.length()), interval) + "\n";
    for (const MainPoint& m : a.main_points) {
        out += "  " + m.name + "  " + station_notation(displayed_station(a, m.distance), interval) +
               "  " + fixed(m.distance, 4) + " m  X " + fixed(m.point.x, 4) + "  Y " +
               fixed(m.point.y, 4) + "  " + dms_text(m.direction) + "\n";
    }
    return out;
}

} // namespace

std::unique_ptr<AlignmentCommand> add_alignment_command(CLI::App& app) {
    auto command = std::make_unique<AlignmentCommand>();
    AlignmentOptions& o = command->options;
    CLI::App* sub = app.add_subcommand(
        "alignment", "a whole alignment from an IP table (CSV): stations, stakes, tables\n"
                     "  e.g. tarn alignment road.csv --interval 20 --width 3.5,3.5 --csv road");
    sub->add_option("INPUT", o.input, "IP table: CSV in UTF-8 or Shift_JIS")->required();
    sub->add_option("--name", o.name, "the alignment's name (default: the file's name)");
    sub->add_option("--bp-station", o.bp_station, "station of BP in metres (default 0)");
    sub->add_option("--equation", o.equations, "station equation BACK=AHEAD (repeatable)");
    sub->add_option("--interval", o.interval, "centre-stake spacing (m, default 20)");
    sub->add_option("--pitch", o.pitch, "extra stakes between them (m)");
    sub->add_option("--width", o.width, "width-stake offsets LEFT,RIGHT (m)");
    sub->add_option("--zone", o.zone, "plane rectangular coordinate zone 1-19")
        ->check(CLI::Range(1, 19));
    sub->add_option("--speed", o.speed, "design speed (km/h) for the standards check");
    sub->add_option("--csv", o.csv, "tables PREFIX-ip/-elements/-points/-stakes.csv");
    sub->add_option("--lang", o.lang, "language of the tables' headers (default ja)")
        ->check(CLI::IsMember({"ja", "en"}));
    sub->add_option("--at", o.at, "point at a displayed station (m or No.n+d; repeatable)");
    sub->add_option("--locate", o.locate, "station and offset of the nearest point to X,Y");
    command->command = sub;
    return command;
}

int run_alignment_command(const AlignmentCommand& command) {
    const AlignmentOptions& o = command.options;
    if (!(o.interval > 0) || !std::isfinite(o.interval)) {
        usage("--interval", "must be a length greater than 0");
    }
    if (!(o.pitch >= 0) || !std::isfinite(o.pitch)) {
        usage("--pitch", "must be a length of 0 or more");
    }
    double left = 0.0;
    double right = 0.0;
    if (!o.width.empty() && (!parse_pair(o.width, ',', left, right) || left < 0 || right < 0)) {
        usage("--width", "expected LEFT,RIGHT in metres, got \"" + o.width + "\"");
    }
    std::vector<std::pair<double, double>> equations;
    for (const std::string& e : o.equations) {
        double back = 0.0;
        double ahead = 0.0;
        if (!parse_pair(e, '=', back, ahead)) {
            usage("--equation", "expected BACK=AHEAD in metres, got \"" + e + "\"");
        }
        equations.emplace_back(back, ahead);
    }
    const DesignSpeed* speed = nullptr;
    if (o.speed != 0 && !(speed = design_speed(o.speed))) {
        usage("--speed", "the ordinance lists 120, 100, 80, 60, 50, 40, 30 and 20 km/h");
    }
    std::vector<Point> locate;
    for (const std::string& text : o.locate) {
        double x = 0.0;
        double y = 0.0;
        if (!parse_pair(text, ',', x, y)) {
            usage("--locate", "expected X,Y, got \"" + text + "\"");
        }
        locate.push_back({x, y});
    }
    std::vector<double> at;
    for (const std::string& text : o.at) {
        at.push_back(parse_station(text, o.interval));
    }

    std::string bytes;
    if (!read_file(o.input, bytes)) {
        return refuse(o.input + ": cannot be read");
    }
    IpTable table = read_ip_table(bytes);
    if (!table.ok()) {
        for (const InputError& e : table.errors) {
            std::cerr << "tarn: " << o.input << (e.line > 0 ? ":" + std::to_string(e.line) : "")
                      << ": " << e.message << "\n";
        }
        return kExitRefused;
    }
    Solution solution = solve(std::move(table.points));
    if (!solution.ok()) {
        for (const InputError& e : solution.errors) {
            std::cerr << "tarn: " << o.input << ": " << e.message << "\n";
        }
        return kExitRefused;
    }
    Alignment& a = solution.alignment;
    a.name = o.name.empty() ? file_stem(o.input) : o.name;
    a.start_station = o.bp_station;
    if (const std::string error = set_equations(a, equations); !error.empty()) {
        return refuse(error);
    }
    if (speed) {
        for (const std::string& finding : check_standards(a, *speed)) {
            std::cerr << "tarn: warning: " << finding << "\n";
        }
    }

    for (const double station : at) {
        const std::optional<double> distance = distance_of_station(a, station);
        if (!distance) {
            return refuse("--at: no point of the line carries the station " + fixed(station, 4));
        }
        const LinePose p = pose_at(a, *distance);
        const Element& e = a.elements[p.element];
        std::cout << station_notation(displayed_station(a, *distance), o.interval) << "  distance "
                  << fixed(*distance, 6) << " m  X " << fixed(p.pose.point.x, 6) << "  Y "
                  << fixed(p.pose.point.y, 6) << "  direction " << dms_text(p.pose.direction)
                  << "  " << kind_word(e.kind) << " " << e.start_name << "-" << e.end_name << "\n";
    }
    if (!locate.empty()) {
        const Locator locator(a);
        for (const Point q : locate) {
            const Locator::Hit hit = locator.locate(q);
            const double station = displayed_station(a, hit.distance);
            std::cout << station_notation(station, o.interval) << "  station " << fixed(station, 6)
                      << " m  distance " << fixed(hit.distance, 6) << " m  offset "
                      << fixed(hit.offset, 6) << " m  (X " << fixed(hit.foot.x, 6) << "  Y "
                      << fixed(hit.foot.y, 6) << ")\n";
        }
    }
    if (at.empty() && locate.empty()) {
        std::cout << summary(a, o.interval);
    }

    std::vector<OutputFile> files;
    if (!o.csv.empty()) {
        const TableLanguage language =
            o.lang == "en" ? TableLanguage::english : TableLanguage::japanese;
        const bool widths = !o.width.empty();
        const std::vector<CentreStake> all = stakes(a, {o.interval, o.pitch, left, right, true});
        files.push_back(bytes_file(o.csv + "-ip.csv", ip_table_csv(a, language)));
        files.push_back(bytes_file(o.csv + "-elements.csv", elements_csv(a, language)));
        files.push_back(
            bytes_file(o.csv + "-points.csv", main_points_csv(a, o.interval, language)));
        files.push_back(
            bytes_file(o.csv + "-stakes.csv", stakes_csv(all, o.interval, widths, language)));
    }
    if (!files.empty()) {
        const std::string error = write_all(files);
        if (!error.empty()) {
            return refuse(error);
        }
    }
    return 0;
}

} // namespace tarn_cli
