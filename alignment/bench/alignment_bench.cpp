// A generated 100 km alignment of 1,000 IPs of every curve type with a stake
// every metre: solving, stationing, the four CSV tables written to files,
// against the floor of writing the stakes table's bytes alone; every output,
// against the floor of writing all their bytes alone; and the nearest-point
// query per point.
#include "alignment_tables.h"
#include "tarn/alignment/outputs.h"
#include "tarn/alignment/solver.h"
#include "tarn/alignment/stations.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

using namespace tarn::alignment;
using namespace tarn_cli;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Legs of 100 m turning 6-10° alternately left and right, curves sized to
// fit: tangent lengths stay well under half a leg.
std::vector<IntersectionPoint> generated_polygon() {
    std::mt19937_64 random(21);
    std::uniform_real_distribution<double> turn(6.0, 10.0);
    std::vector<IntersectionPoint> points;
    Point at{-30000.0, 12000.0};
    double heading = 0.3;
    for (int i = 0; i <= 1001; ++i) {
        IntersectionPoint p;
        p.name = i == 0 ? "BP" : i == 1001 ? "EP" : "IP" + std::to_string(i);
        p.point = at;
        if (i > 0 && i < 1001) {
            switch (i % 5) {
            case 0:
                p.spec = {CurveType::circle, 300};
                break;
            case 1:
                p.spec = {CurveType::clothoid, 300, 80, i % 2 ? 70.0 : 80.0};
                break;
            case 2:
                p.spec = {CurveType::convex, 0, 60, 70};
                break;
            case 3:
                p.spec = {CurveType::egg, 400, 80, 60, 300, 80, 5, 0};
                break;
            default:
                p.spec = {CurveType::none};
                break;
            }
            heading += (i % 2 ? 1 : -1) * turn(random) * kPi / 180;
        }
        points.push_back(p);
        at = {at.x + 100.0 * std::cos(heading), at.y + 100.0 * std::sin(heading)};
    }
    return points;
}

const std::vector<IntersectionPoint>& polygon() {
    static const std::vector<IntersectionPoint> p = generated_polygon();
    return p;
}

Alignment solved() {
    Solution s = solve(polygon());
    if (!s.ok()) {
        std::fprintf(stderr, "generated polygon refused: %s\n", s.errors.front().message.c_str());
        std::abort();
    }
    return s.alignment;
}

const StakeOptions kStakes{20.0, 1.0, 3.5, 3.5, true};

void write(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// As the command writes the drawings: streamed to their files.
void write(const OutputWriter& writer) {
    std::FILE* f = std::fopen(writer.path.c_str(), "wb");
    writer.write(f);
    std::fclose(f);
}

// As the command writes it: streamed to the file.
void write_stakes(const std::string& path, const std::vector<CentreStake>& all) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    write_stakes_csv(f, all, 20.0, true, TableLanguage::japanese);
    std::fclose(f);
}

} // namespace

static void BM_Solve(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(solve(polygon()));
    }
}
BENCHMARK(BM_Solve)->Unit(benchmark::kMillisecond);

static void BM_Stakes1m(benchmark::State& state) {
    const Alignment a = solved();
    std::size_t n = 0;
    for (auto _ : state) {
        const auto s = stakes(a, kStakes);
        n = s.size();
        benchmark::DoNotOptimize(s.data());
    }
    state.counters["stakes"] = static_cast<double>(n);
}
BENCHMARK(BM_Stakes1m)->Unit(benchmark::kMillisecond);

// The four CSV tables, as --csv writes them.
void write_tables(const Alignment& alignment, const std::vector<CentreStake>& all) {
    write("bench-ip.csv", ip_table_csv(alignment, TableLanguage::japanese));
    write("bench-elements.csv", elements_csv(alignment, TableLanguage::japanese));
    write("bench-points.csv", main_points_csv(alignment, 20.0, TableLanguage::japanese));
    write_stakes("bench-stakes.csv", all);
}

// Everything a run with --pitch 1 --width --csv does after reading its input.
static void BM_WholeRun(benchmark::State& state) {
    for (auto _ : state) {
        const Solution s = solve(polygon());
        write_tables(s.alignment, stakes(s.alignment, kStakes));
    }
}
BENCHMARK(BM_WholeRun)->Unit(benchmark::kMillisecond);

// What the command asks of the drawings for --landxml --report --dxf --svg.
OutputRequest drawings(const std::vector<CentreStake>& all, const std::string& only = {}) {
    OutputRequest request;
    const auto path = [&](const char* name) { return only.empty() || only == name ? name : ""; };
    request.landxml_path = path("bench.xml");
    request.report_path = path("bench.html");
    request.dxf_path = path("bench.dxf");
    request.svg_path = path("bench.svg");
    request.landxml.interval = 20.0;
    request.landxml.date = "2026-12-09";
    request.landxml.time = "00:00:00";
    ReportOptions& r = request.report;
    r.date = request.landxml.date;
    r.interval = 20.0;
    r.left_width = kStakes.left_width;
    r.right_width = kStakes.right_width;
    r.centre_stakes.reserve(all.size());
    for (const CentreStake& c : all) {
        r.centre_stakes.push_back({c.name, c.distance, c.centre, c.direction});
        r.width_stakes.push_back({c.name, c.left, c.right});
    }
    return request;
}

// The same with the drawings too, as --landxml --report --dxf --svg add
// them: every output of the command.
static void BM_EveryOutput(benchmark::State& state) {
    for (auto _ : state) {
        const Solution s = solve(polygon());
        const auto all = stakes(s.alignment, kStakes);
        write_tables(s.alignment, all);
        const OutputRequest request = drawings(all);
        for (const OutputWriter& writer : output_writers(s.alignment, request)) {
            write(writer);
        }
    }
}
BENCHMARK(BM_EveryOutput)->Unit(benchmark::kMillisecond);

// Each drawing alone, rendered and written.
static void BM_Drawing(benchmark::State& state, const char* path) {
    const Alignment a = solved();
    const OutputRequest request = drawings(stakes(a, kStakes), path);
    for (auto _ : state) {
        for (const OutputWriter& writer : output_writers(a, request)) {
            write(writer);
        }
    }
}
BENCHMARK_CAPTURE(BM_Drawing, landxml, "bench.xml")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Drawing, report, "bench.html")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Drawing, dxf, "bench.dxf")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Drawing, svg, "bench.svg")->Unit(benchmark::kMillisecond);

// The stakes table through the table writer alone, and its bytes written
// alone: the floor.
static void BM_StakesTable(benchmark::State& state) {
    const Alignment a = solved();
    const auto all = stakes(a, kStakes);
    for (auto _ : state) {
        write_stakes("bench-stakes.csv", all);
    }
}
BENCHMARK(BM_StakesTable)->Unit(benchmark::kMillisecond);

static void BM_Floor(benchmark::State& state) {
    const Alignment a = solved();
    const std::string bytes = stakes_csv(stakes(a, kStakes), 20.0, true, TableLanguage::japanese);
    for (auto _ : state) {
        write("bench-floor.csv", bytes);
    }
    state.counters["bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_Floor)->Unit(benchmark::kMillisecond);

// The floor of every output: the bytes of the four tables and the four
// drawings, rendered beforehand, written alone.
static void BM_FloorEveryOutput(benchmark::State& state) {
    const Alignment a = solved();
    const auto all = stakes(a, kStakes);
    std::vector<std::pair<std::string, std::string>> files = {
        {"bench-floor-ip.csv", ip_table_csv(a, TableLanguage::japanese)},
        {"bench-floor-elements.csv", elements_csv(a, TableLanguage::japanese)},
        {"bench-floor-points.csv", main_points_csv(a, 20.0, TableLanguage::japanese)},
        {"bench-floor-stakes.csv", stakes_csv(all, 20.0, true, TableLanguage::japanese)}};
    const OutputRequest request = drawings(all);
    files.emplace_back("bench-floor.xml",
                       write_landxml(a, request.landxml, request.report.centre_stakes));
    files.emplace_back("bench-floor.html", write_report_html(a, request.report));
    files.emplace_back("bench-floor.dxf",
                       write_dxf(a, request.report.centre_stakes, request.report.width_stakes));
    files.emplace_back("bench-floor.svg", write_plan_svg(a, request.report));
    double bytes = 0;
    for (const auto& file : files) {
        bytes += static_cast<double>(file.second.size());
    }
    for (auto _ : state) {
        for (const auto& [path, text] : files) {
            write(path, text);
        }
    }
    state.counters["bytes"] = bytes;
}
BENCHMARK(BM_FloorEveryOutput)->Unit(benchmark::kMillisecond);

static void BM_Locate(benchmark::State& state) {
    const Alignment a = solved();
    const Locator locator(a);
    std::mt19937_64 random(5);
    std::uniform_real_distribution<double> along(0.0, a.length());
    std::uniform_real_distribution<double> across(-30.0, 30.0);
    std::vector<Point> queries;
    for (int i = 0; i < 4096; ++i) {
        const Pose p = pose_at(a, along(random)).pose;
        const double o = across(random);
        queries.push_back(
            {p.point.x - o * std::sin(p.direction), p.point.y + o * std::cos(p.direction)});
    }
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(locator.locate(queries[i++ & 4095]));
    }
}
BENCHMARK(BM_Locate)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
