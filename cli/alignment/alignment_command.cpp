#include "alignment_command.h"

#include "alignment_tables.h"
#include "output_files.h"
#include "table_writer.h"
#include "tarn/alignment/ip_table.h"
#include "tarn/alignment/outputs.h"
#include "tarn/alignment/solver.h"
#include "tarn/alignment/standards.h"
#include "tarn/alignment/stations.h"

#include <CLI/CLI.hpp>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
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
    return std::string(w.bytes().substr(3));
}

std::string dms_text(double radians) {
    TableWriter w;
    w.dms(azimuth_degrees(radians), 2);
    // Unquoted for the console.
    std::string text(w.bytes().substr(4));
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

// The extension in lower case, without its dot; empty when there is none.
std::string extension(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find_first_of("/\\", dot) != std::string::npos) {
        return "";
    }
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return ext;
}

bool is_landxml(const std::string& path) {
    return extension(path) == "xml";
}

std::string today(const char* format) {
    const std::time_t now = std::time(nullptr);
    char text[32];
    std::strftime(text, sizeof text, format, std::localtime(&now));
    return text;
}

// 平面直角座標系 zones are written in Roman numerals.
std::string roman_zone(int zone) {
    static const char* const names[] = {"I",    "II",  "III",  "IV",    "V",   "VI",   "VII",
                                        "VIII", "IX",  "X",    "XI",    "XII", "XIII", "XIV",
                                        "XV",   "XVI", "XVII", "XVIII", "XIX"};
    return zone >= 1 && zone <= 19 ? names[zone - 1] : "";
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

std::optional<DroppedFile> dropped_file(const std::string& argument) {
    const std::string ext = extension(argument);
    if (ext != "csv" && ext != "xml") {
        return std::nullopt;
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(argument.c_str(), "rb"),
                                                      &std::fclose);
    if (!f) {
        return std::nullopt;
    }
    const std::string stem = argument.substr(0, argument.size() - ext.size() - 1);
    DroppedFile drop;
    drop.report = stem + ".html";
    drop.arguments = {"alignment", argument,      "--report", drop.report,
                      "--dxf",     stem + ".dxf", "--csv",    stem};
    if (ext == "csv") {
        drop.arguments.insert(drop.arguments.end(), {"--landxml", stem + ".xml"});
    }
    return drop;
}

std::unique_ptr<AlignmentCommand> add_alignment_command(CLI::App& app) {
    auto command = std::make_unique<AlignmentCommand>();
    AlignmentOptions& o = command->options;
    CLI::App* sub = app.add_subcommand(
        "alignment",
        "a whole alignment from an IP table (CSV) or a LandXML file: stations, stakes,\n"
        "  tables, LandXML, the report and the drawings\n"
        "  e.g. tarn alignment road.csv --width 3.5,3.5 --csv road --report road.html");
    sub->add_option("INPUT", o.input, "IP table (CSV in UTF-8 or Shift_JIS) or LandXML (.xml)")
        ->required();
    sub->add_option("--alignment", o.alignment, "LandXML input: the Alignment of this name");
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
    sub->add_option("--landxml", o.landxml, "J-LandXML 1.2 file");
    sub->add_option("--criterion", o.criterion,
                    "LandXML applicationCriterion (default MlitLandXmlVer.1.7)");
    sub->add_option("--report", o.report, "線形計算書 as HTML for A4 print");
    sub->add_option("--dxf", o.dxf, "R12 DXF drawing (X east, Y north)");
    sub->add_option("--svg", o.svg, "the plan as SVG");
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
    const CLI::App& sub = *command.command;
    std::vector<std::string> paths = {o.landxml, o.report, o.dxf, o.svg};
    for (const char* table : {"-ip.csv", "-elements.csv", "-points.csv", "-stakes.csv"}) {
        paths.push_back(o.csv.empty() ? "" : o.csv + table);
    }
    for (std::size_t i = 0; i < paths.size(); ++i) {
        for (std::size_t j = i + 1; j < paths.size(); ++j) {
            if (!paths[i].empty() && paths[i] == paths[j]) {
                usage(paths[i], "is named for two outputs");
            }
        }
    }
    const bool from_landxml = is_landxml(o.input);
    if (!from_landxml && !o.alignment.empty()) {
        usage("--alignment", "picks an Alignment of a LandXML input");
    }

    std::string bytes;
    if (!read_file(o.input, bytes)) {
        return refuse(o.input + ": cannot be read");
    }
    Alignment a;
    CoordinateSystem coordinates;
    coordinates.horizontal_name = zone_coordinate_system_name(o.zone);
    std::string zone_text = roman_zone(o.zone);
    double interval = o.interval;
    if (from_landxml) {
        LandXmlReadResult read = read_landxml(bytes, o.alignment);
        if (!read.ok) {
            for (const std::string& e : read.errors) {
                std::cerr << "tarn: " << o.input << ": " << e << "\n";
            }
            return kExitRefused;
        }
        a = std::move(read.document.alignment);
        // The file's own coordinate system and stake interval, unless the
        // command line names others.
        if (o.zone == 0) {
            coordinates = read.document.coordinate_system;
            zone_text = coordinates.horizontal_name;
        } else {
            const std::string name = coordinates.horizontal_name;
            coordinates = read.document.coordinate_system;
            coordinates.horizontal_name = name;
        }
        if (sub.count("--interval") == 0 && read.document.interval > 0) {
            interval = read.document.interval;
        }
        if (sub.count("--bp-station") > 0) {
            a.start_station = o.bp_station;
        }
        if (sub.count("--name") > 0 || a.name.empty()) {
            a.name = o.name.empty() ? file_stem(o.input) : o.name;
        }
    } else {
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
        a = std::move(solution.alignment);
        a.name = o.name.empty() ? file_stem(o.input) : o.name;
        a.start_station = o.bp_station;
    }
    if (!from_landxml || !equations.empty()) {
        if (const std::string error = set_equations(a, equations); !error.empty()) {
            return refuse(error);
        }
    }
    std::vector<std::string> findings;
    if (speed) {
        findings = check_standards(a, *speed);
        for (const std::string& finding : findings) {
            std::cerr << "tarn: warning: " << finding << "\n";
        }
    }

    std::vector<double> at;
    for (const std::string& text : o.at) {
        at.push_back(parse_station(text, interval));
    }
    for (const double station : at) {
        const std::optional<double> distance = distance_of_station(a, station);
        if (!distance) {
            return refuse("--at: no point of the line carries the station " + fixed(station, 4));
        }
        const LinePose p = pose_at(a, *distance);
        const Element& e = a.elements[p.element];
        std::cout << station_notation(displayed_station(a, *distance), interval) << "  distance "
                  << fixed(*distance, 6) << " m  X " << fixed(p.pose.point.x, 6) << "  Y "
                  << fixed(p.pose.point.y, 6) << "  direction " << dms_text(p.pose.direction)
                  << "  " << kind_word(e.kind) << " " << e.start_name << "-" << e.end_name << "\n";
    }
    if (!locate.empty()) {
        const Locator locator(a);
        for (const Point q : locate) {
            const Locator::Hit hit = locator.locate(q);
            const double station = displayed_station(a, hit.distance);
            std::cout << station_notation(station, interval) << "  station " << fixed(station, 6)
                      << " m  distance " << fixed(hit.distance, 6) << " m  offset "
                      << fixed(hit.offset, 6) << " m  (X " << fixed(hit.foot.x, 6) << "  Y "
                      << fixed(hit.foot.y, 6) << ")\n";
        }
    }
    if (at.empty() && locate.empty()) {
        std::cout << summary(a, interval);
    }

    const bool widths = !o.width.empty();
    const bool drawings =
        !o.landxml.empty() || !o.report.empty() || !o.dxf.empty() || !o.svg.empty();
    std::vector<CentreStake> all;
    if (!o.csv.empty() || drawings) {
        all = stakes(a, {interval, o.pitch, left, right, true});
    }
    std::vector<OutputFile> files;
    if (!o.csv.empty()) {
        const TableLanguage language =
            o.lang == "en" ? TableLanguage::english : TableLanguage::japanese;
        files.push_back(bytes_file(o.csv + "-ip.csv", ip_table_csv(a, language)));
        files.push_back(bytes_file(o.csv + "-elements.csv", elements_csv(a, language)));
        files.push_back(bytes_file(o.csv + "-points.csv", main_points_csv(a, interval, language)));
        // Streamed when the files are written: `all` outlives them.
        files.push_back(
            {o.csv + "-stakes.csv", false, [&all, interval, widths, language](std::FILE* out) {
                 write_stakes_csv(out, all, interval, widths, language);
             }});
    }
    // The drawings are streamed when the files are written: request outlives them.
    OutputRequest request;
    if (drawings) {
        request.landxml_path = o.landxml;
        request.report_path = o.report;
        request.dxf_path = o.dxf;
        request.svg_path = o.svg;
        request.landxml.criterion = o.criterion;
        request.landxml.coordinate_system = coordinates;
        request.landxml.interval = interval;
        request.landxml.date = today("%Y-%m-%d");
        request.landxml.time = today("%H:%M:%S");
        ReportOptions& r = request.report;
        r.date = request.landxml.date;
        r.speed = speed ? std::to_string(o.speed) + " km/h" : "";
        r.zone = zone_text;
        r.interval = interval;
        r.left_width = left;
        r.right_width = right;
        r.findings = findings;
        r.centre_stakes.reserve(all.size());
        for (const CentreStake& c : all) {
            r.centre_stakes.push_back({c.name, c.distance, c.centre, c.direction});
            if (widths) {
                r.width_stakes.push_back({c.name, c.left, c.right});
            }
        }
        for (OutputWriter& writer : output_writers(a, request)) {
            files.push_back({std::move(writer.path), false, std::move(writer.write)});
        }
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
