// tarn: the curve library's constructions from the command line. This file
// only reads the options and hands them to the output modules.
#include "alignment_command.h"
#include "checks.h"
#include "construction.h"
#include "curvelib.h"
#include "desktop.h"
#include "dxf.h"
#include "elements.h"
#include "help_text.h"
#include "landxml.h"
#include "numbers.h"
#include "output_files.h"
#include "setting_out.h"
#include "summary.h"
#include "svg_preview.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace tarn_cli;

constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

struct UsageError {
    std::string text;
};

// "x,y" with two complete numbers.
curvelib::Point parse_point(const std::string& option, const std::string& text) {
    const std::size_t comma = text.find(',');
    if (comma != std::string::npos) {
        const std::string xs = text.substr(0, comma), ys = text.substr(comma + 1);
        char* end_x = nullptr;
        char* end_y = nullptr;
        const double x = std::strtod(xs.c_str(), &end_x);
        const double y = std::strtod(ys.c_str(), &end_y);
        if (!xs.empty() && !ys.empty() && *end_x == '\0' && *end_y == '\0') {
            return {x, y};
        }
    }
    throw UsageError{option + ": expected two numbers as x,y, got \"" + text + "\""};
}

struct Options {
    std::string ka, ke, side, from;
    std::string unit = "m";
    std::string widening = "linear";
    Request request;
    std::string script, dxf, svg, csv, landxml;
    std::string lang = "ja";
    std::string axes = "drawing";
    double lead_in = 0.0;
    // elements
    double length = std::nan("");
    double radius = std::nan("");
    double angle = std::nan("");
};

void add_points(CLI::App* sub, Options& o, const char* second) {
    sub->add_option("--ka", o.ka, "KA, the clothoid's origin: x,y in drawing units")->required();
    sub->add_option("--ke", o.ke, second)->required();
    sub->add_option("--side", o.side, "side point on the convex side of the curve: x,y")
        ->required();
    sub->add_option("--a", o.request.a, "clothoid parameter A (m)")->required();
    sub->add_option("--unit", o.unit, "drawing unit (default m)")
        ->check(CLI::IsMember({"m", "mm"}));
}

void add_outputs(CLI::App* sub, Options& o) {
    sub->add_option("--script", o.script, "drawing script, as the library writes it");
    sub->add_option("--dxf", o.dxf, "R12 DXF drawing");
    sub->add_option("--svg", o.svg, "SVG preview");
    sub->add_option("--csv", o.csv, "setting-out table (CSV, UTF-8)");
    sub->add_option("--landxml", o.landxml, "LandXML 1.2 alignment");
    sub->add_option("--lang", o.lang, "language of the table's header (default ja)")
        ->check(CLI::IsMember({"ja", "en"}));
    sub->add_option("--axes", o.axes,
                    "table axes: drawing (X east, Y north, default) or survey (X north, Y east)")
        ->check(CLI::IsMember({"drawing", "survey"}));
    sub->add_option("--lead-in", o.lead_in, "LandXML: tangent before KA (m)");
}

void add_pitch(CLI::App* sub, Options& o) {
    sub->add_option("--pitch", o.request.pitch, "vertex spacing along the curve (m, default 0.1)");
}

std::string today(const char* format) {
    const std::time_t now = std::time(nullptr);
    char text[32];
    std::strftime(text, sizeof text, format, std::localtime(&now));
    return text;
}

int refuse(std::int32_t code) {
    std::cerr << "tarn: refused (" << code << "): " << refusal_text(code) << "\n";
    return kExitRefused;
}

// Warnings go to stderr; a refusal ends the run. True when it may go on.
bool report(const Findings& findings, int& status) {
    if (!findings.refusal.empty()) {
        std::cerr << "tarn: refused"
                  << (findings.library_code
                          ? " (" + std::to_string(TARN_ERROR_INVALID_ARGUMENT) + ")"
                          : std::string())
                  << ": " << findings.refusal << "\n";
        status = kExitRefused;
        return false;
    }
    for (const std::string& warning : findings.warnings) {
        std::cerr << "tarn: warning: " << warning << "\n";
    }
    return true;
}

int run_construction(Options& o, Kind kind) {
    Request& r = o.request;
    r.kind = kind;
    r.millimetres = o.unit == "mm";
    r.quartic = o.widening == "quartic";
    const curvelib::Point ka = parse_point("--ka", o.ka);
    const curvelib::Point ke = parse_point("--ke", o.ke);
    const curvelib::Point side = parse_point("--side", o.side);
    r.points = {ka.x, ka.y, ke.x, ke.y, side.x, side.y};
    if (kind == Kind::perpendicular) {
        const curvelib::Point from = parse_point("--from", o.from);
        r.from_x = from.x;
        r.from_y = from.y;
    }
    if (!(o.lead_in >= 0) || !std::isfinite(o.lead_in)) {
        throw UsageError{"--lead-in: must be a length of 0 or more"};
    }
    int status = 0;
    if (!report(check_input(r), status)) {
        return status;
    }
    // A table alone takes the vertices as they are computed: a long curve's
    // lists would only be read once, row by row.
    const bool table_only =
        !o.csv.empty() && o.script.empty() && o.dxf.empty() && o.svg.empty() && o.landxml.empty();
    const Result result(r, table_only ? Result::Vertices::streamed : Result::Vertices::kept);
    if (result.code() != TARN_OK) {
        return refuse(result.code());
    }
    if (!report(check_result(result), status)) {
        return status;
    }

    std::vector<OutputFile> files;
    const std::vector<const std::string*> paths = {&o.script, &o.dxf, &o.svg, &o.csv, &o.landxml};
    for (std::size_t i = 0; i < paths.size(); ++i) {
        for (std::size_t j = i + 1; j < paths.size(); ++j) {
            if (!paths[i]->empty() && *paths[i] == *paths[j]) {
                throw UsageError{"\"" + *paths[i] + "\" is named for two outputs"};
            }
        }
    }
    if (!o.script.empty()) {
        files.push_back({o.script, true, [&](std::FILE* out) {
                             curvelib::write_script(result.construction(), out);
                         }});
    }
    if (!o.dxf.empty()) {
        files.push_back(bytes_file(o.dxf, dxf_text(result)));
    }
    if (!o.svg.empty()) {
        files.push_back(bytes_file(o.svg, svg_preview(result)));
    }
    if (!o.csv.empty()) {
        const Language language = o.lang == "en" ? Language::english : Language::japanese;
        const Axes axes = o.axes == "survey" ? Axes::survey : Axes::drawing;
        files.push_back({o.csv, false, [&result, language, axes](std::FILE* out) {
                             write_setting_out_csv(out, result, language, axes);
                         }});
    }
    if (!o.landxml.empty()) {
        files.push_back(bytes_file(
            o.landxml, landxml_text(result, {o.lead_in, today("%Y-%m-%d"), today("%H:%M:%S")})));
    }
    if (files.empty()) {
        std::cout << summary_text(result);
        return 0;
    }
    const std::string error = write_all(files);
    if (!error.empty()) {
        std::cerr << "tarn: " << error << "\n";
        return refuse(TARN_ERROR_FILE);
    }
    return 0;
}

int run_length(Options& o) {
    const curvelib::Point ka = parse_point("--ka", o.ka);
    const curvelib::Point ke = parse_point("--ke", o.ke);
    const curvelib::Point side = parse_point("--side", o.side);
    Request r = o.request;
    r.kind = Kind::normal;
    r.points = {ka.x, ka.y, ke.x, ke.y, side.x, side.y};
    int status = 0;
    if (!report(check_input(r), status)) {
        return status;
    }
    curvelib::CurveState state;
    const double length = curvelib::curve_length(state, {ka.x, ka.y, ke.x, ke.y, side.x, side.y},
                                                 o.request.a, o.unit == "mm" ? 1.0 : 0.0);
    if (std::isnan(length)) {
        // The length export answers NaN for every refusal; the placement
        // tells which one.
        r.millimetres = o.unit == "mm";
        return refuse(Result(r).code());
    }
    std::cout << "curve length: " << fixed(length, 9) << " m\n";
    return 0;
}

int run_elements(Options& o) {
    const int given = !std::isnan(o.length) + !std::isnan(o.radius) + !std::isnan(o.angle);
    if (given != 1) {
        throw UsageError{"elements: give exactly one of --length, --radius, --angle"};
    }
    const double a = o.request.a;
    double l = o.length;
    const char* option = "--length";
    double value = o.length;
    if (!std::isnan(o.radius)) {
        l = length_for_radius(a, o.radius);
        option = "--radius";
        value = o.radius;
    } else if (!std::isnan(o.angle)) {
        l = length_for_angle(a, o.angle);
        option = "--angle";
        value = o.angle;
    }
    int status = 0;
    if (!report(check_elements(a, option, value, l), status)) {
        return status;
    }
    Elements e;
    if (const std::int32_t code = clothoid_elements(a, l, e)) {
        return refuse(code);
    }
    std::cout << elements_text(e);
    return 0;
}

// What was printed must have reached standard output (a full disk, a closed
// pipe): otherwise the run fails.
int with_output_written(int status) {
    std::cout.flush();
    if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::cerr << "tarn: standard output could not be written\n";
        return kExitRefused;
    }
    return status;
}

int run(int argc, char** argv);

} // namespace

int main(int argc, char** argv) {
    prepare_console();
    const std::optional<DroppedFile> drop =
        argc == 2 ? dropped_file(argv[1]) : std::optional<DroppedFile>();
    if (!drop) {
        return with_output_written(run(argc, argv));
    }
    std::vector<char*> args = {argv[0]};
    for (const std::string& a : drop->arguments) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    const int count = static_cast<int>(args.size()) - 1;
    if (!console_closes_at_exit()) {
        return with_output_written(run(count, args.data()));
    }
    // Dropped in Explorer: a console made for tarn would close before anyone
    // read it, so the report opens instead, or the errors show in a box.
    std::ostringstream out;
    std::ostringstream err;
    std::streambuf* const cout_buffer = std::cout.rdbuf(out.rdbuf());
    std::streambuf* const cerr_buffer = std::cerr.rdbuf(err.rdbuf());
    const int status = run(count, args.data());
    std::cout.rdbuf(cout_buffer);
    std::cerr.rdbuf(cerr_buffer);
    if (status != 0) {
        show_error("tarn", err.str());
    } else if (!open_document(drop->report)) {
        show_error("tarn", "tarn: " + drop->report + ": written, but no program opens it");
    }
    return status;
}

namespace {

int run(int argc, char** argv) {
    CLI::App app{"tarn: clothoid constructions without a CAD program"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "tarn " TARN_VERSION);
    app.footer(program_footer());
    Options o;
    const char* ke_help = "KE, the point of the curve at its end: x,y";

    std::map<CLI::App*, Kind> kinds;
    CLI::App* centre = app.add_subcommand("centre", "centre line from KA to KE");
    add_points(centre, o, ke_help);
    add_pitch(centre, o);
    add_outputs(centre, o);
    kinds[centre] = Kind::centre;

    CLI::App* parallel = app.add_subcommand("parallel", "parallel line with widening");
    add_points(parallel, o, ke_help);
    add_pitch(parallel, o);
    parallel
        ->add_option("--w", o.request.w, "offset at KA (m); which side a positive W takes: below")
        ->required();
    parallel->add_option("--dw", o.request.dw, "widening reached at KE (m, default 0)");
    parallel->add_option("--widening", o.widening, "widening law: linear (default) or quartic")
        ->check(CLI::IsMember({"linear", "quartic"}));
    add_outputs(parallel, o);
    kinds[parallel] = Kind::parallel;

    CLI::App* normal = app.add_subcommand("normal", "normal at KE, 10 m long");
    add_points(normal, o, ke_help);
    add_outputs(normal, o);
    kinds[normal] = Kind::normal;

    CLI::App* normal_at = app.add_subcommand("normal-at", "normal at a station, 10 m long");
    add_points(normal_at, o, ke_help);
    normal_at->add_option("--at", o.request.at, "station: arc length from KA (m)")->required();
    add_outputs(normal_at, o);
    kinds[normal_at] = Kind::normal_at;

    CLI::App* perpendicular =
        app.add_subcommand("perpendicular", "perpendicular from a point to the curve");
    add_points(perpendicular, o, ke_help);
    perpendicular->add_option("--from", o.from, "the outside point: x,y")->required();
    add_outputs(perpendicular, o);
    kinds[perpendicular] = Kind::perpendicular;

    CLI::App* of_length =
        app.add_subcommand("centre-of-length", "centre line of a given length along KA->KE");
    add_points(of_length, o, "a point on the tangent at KA, giving its direction: x,y");
    add_pitch(of_length, o);
    of_length->add_option("--length", o.request.length, "curve length (m)")->required();
    add_outputs(of_length, o);
    kinds[of_length] = Kind::centre_of_length;

    CLI::App* length = app.add_subcommand("length", "arc length from KA to KE");
    add_points(length, o, ke_help);

    CLI::App* elements = app.add_subcommand("elements", "element table of a clothoid");
    elements->add_option("--a", o.request.a, "clothoid parameter A (m)")->required();
    elements->add_option("--length", o.length, "curve length L (m)");
    elements->add_option("--radius", o.radius, "radius at the end R (m)");
    elements->add_option("--angle", o.angle, "tangent angle at the end (rad)");
    for (CLI::App* sub : app.get_subcommands({})) {
        sub->footer(subcommand_footer(sub->get_name()));
    }

    const auto alignment = add_alignment_command(app);

    try {
        // CLI11 would only say that a subcommand is missing.
        const auto named = app.get_subcommands(
            [&](const CLI::App* sub) { return argc > 1 && sub->check_name(argv[1]); });
        if (argc > 1 && argv[1][0] != '-' && named.empty()) {
            throw UsageError{std::string("unknown command \"") + argv[1] + "\""};
        }
        app.parse(argc, argv);
        if (alignment->command->parsed()) {
            return run_alignment_command(*alignment);
        }
        for (auto& [sub, kind] : kinds) {
            if (sub->parsed()) {
                return run_construction(o, kind);
            }
        }
        if (length->parsed()) {
            return run_length(o);
        }
        return run_elements(o);
    } catch (const CLI::Success& e) { // --help, --version
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << "tarn: " << e.what() << "\n";
        return kExitUsage;
    } catch (const UsageError& e) {
        std::cerr << "tarn: " << e.text << "\n";
        return kExitUsage;
    }
}

} // namespace
