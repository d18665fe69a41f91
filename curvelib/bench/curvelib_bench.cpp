// clothoid_point per call, sin, cos and atan2 per call, and the centre line of a 1 km curve (A =
// 1000 m, pitch 0.01 m, 100,000 vertices) against writing the same number of points in the same
// format.
#include "curvelib/constructions.h"
#include "curvelib/geometry.h"
#include "portable_math.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

using namespace curvelib;

static void BM_ClothoidPoint(benchmark::State& state) {
    double length = 0.0;
    for (auto _ : state) {
        length += 0.37;
        if (length > 1000.0) {
            length = 0.0;
        }
        benchmark::DoNotOptimize(clothoid_point(1000.0, length));
    }
}
BENCHMARK(BM_ClothoidPoint);

// The yardstick: the same ten-term series by Horner's rule with reciprocal
// coefficients, the fastest plain form (its last bits differ).
static void BM_HornerBaseline(benchmark::State& state) {
    double x_coefficients[10];
    double y_coefficients[10];
    for (int n = 0; n < 10; ++n) {
        x_coefficients[n] = (n % 2 == 0 ? 1.0 : -1.0) / x_series_denominators[n];
        y_coefficients[n] = (n % 2 == 0 ? 1.0 : -1.0) / y_series_denominators[n];
    }
    double length = 0.0;
    for (auto _ : state) {
        length += 0.37;
        if (length > 1000.0) {
            length = 0.0;
        }
        const double a = 1000.0;
        const double tau = length * length / (a * a + a * a);
        const double z = tau * tau;
        double sx = x_coefficients[9];
        double sy = y_coefficients[9];
        for (int n = 8; n >= 0; --n) {
            sx = sx * z + x_coefficients[n];
            sy = sy * z + y_coefficients[n];
        }
        const double k = std::sqrt(2.0 * tau);
        benchmark::DoNotOptimize(Point{k * sx * a * 1000.0, k * sy * tau * a * 333.3333333333333});
    }
}
BENCHMARK(BM_HornerBaseline);

namespace {
const Point kEnd = clothoid_point(1000.0, 1000.0);
const ThreePoints kPoints{0.0, 0.0, kEnd.x * 0.001, kEnd.y * 0.001, 500.0, -100.0};
} // namespace

static void BM_CentreLine1km(benchmark::State& state) {
    CurveState curve_state;
    for (auto _ : state) {
        if (centre_line(curve_state, kPoints, 1000.0, 0.01, 0.0) != 0) {
            state.SkipWithError("centre line refused");
        }
    }
    state.SetItemsProcessed(state.iterations() * 100001);
}
BENCHMARK(BM_CentreLine1km)->Unit(benchmark::kMillisecond);

// The same points written by the library's own number routine.
static void BM_WriteOnlyBaseline(benchmark::State& state) {
    for (auto _ : state) {
        TextFile file = TextFile::create(kScriptFileName);
        write_point(file.stream(), "pline\n", {0.0, 0.0});
        for (int i = 1; i <= 100000; ++i) {
            const double s = i * 0.01;
            write_point(file.stream(), "\n", {s, s * 1e-3});
        }
        benchmark::DoNotOptimize(file.close());
    }
    state.SetItemsProcessed(state.iterations() * 100001);
}
BENCHMARK(BM_WriteOnlyBaseline)->Unit(benchmark::kMillisecond);

// The same points written with printf's "%.15le", as the library once did.
static void BM_FprintfBaseline(benchmark::State& state) {
    for (auto _ : state) {
        TextFile file = TextFile::create(kScriptFileName);
        std::fprintf(file.stream(), "pline\n%.15le,%.15le", 0.0, 0.0);
        for (int i = 1; i <= 100000; ++i) {
            const double s = i * 0.01;
            std::fprintf(file.stream(), "\n%.15le,%.15le", s, s * 1e-3);
        }
        benchmark::DoNotOptimize(file.close());
    }
    state.SetItemsProcessed(state.iterations() * 100001);
}
BENCHMARK(BM_FprintfBaseline)->Unit(benchmark::kMillisecond);

// The library's correctly rounded sin, cos and atan2 against the C runtime's,
// per call, over angles and points of the sizes the constructions form.
namespace {
std::vector<double> bench_inputs(double limit) {
    std::mt19937_64 random(42);
    std::vector<double> values(4096);
    for (double& v : values) {
        v = (static_cast<double>(random() >> 11) * 0x1p-53 * 2.0 - 1.0) * limit;
    }
    return values;
}
const std::vector<double> kAngles = bench_inputs(4.0);
const std::vector<double> kCoordinates = bench_inputs(1000.0);

template <double (*F)(double)> void BM_Unary(benchmark::State& state) {
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(F(kAngles[i++ & 4095]));
    }
}

template <double (*F)(double, double)> void BM_Binary(benchmark::State& state) {
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(F(kCoordinates[i & 4095], kCoordinates[(i + 1) & 4095]));
        ++i;
    }
}

double std_sin(double x) {
    return std::sin(x);
}
double std_cos(double x) {
    return std::cos(x);
}
double std_atan2(double y, double x) {
    return std::atan2(y, x);
}
} // namespace

BENCHMARK(BM_Unary<portable_sin>)->Name("BM_PortableSin");
BENCHMARK(BM_Unary<std_sin>)->Name("BM_StdSin");
BENCHMARK(BM_Unary<portable_cos>)->Name("BM_PortableCos");
BENCHMARK(BM_Unary<std_cos>)->Name("BM_StdCos");
BENCHMARK(BM_Binary<portable_atan2>)->Name("BM_PortableAtan2");
BENCHMARK(BM_Binary<std_atan2>)->Name("BM_StdAtan2");

BENCHMARK_MAIN();
