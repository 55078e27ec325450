// Cost of one WGS84 -> KKJ conversion, fast evaluation against the plain
// transcription of the steps. The decoders call it once per position, so
// ns per call here is ns per decoded record.
#include "geodesy/Kkj.h"

#include "geodesy/Ecef.h"

#include "geodesy/GridConverter.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

struct Position {
    double latitude;
    double longitude;
};

// Positions spread over Finland (lat 59..70, lon 19..32), from a fixed
// linear congruential sequence so every run sees the same inputs and the
// compiler cannot fold the call.
const std::vector<Position>& finnishPositions()
{
    static const std::vector<Position> positions = [] {
        std::vector<Position> out;
        std::uint64_t state = 0x2545F4914F6CDD1Dull;
        auto next = [&state] {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            return static_cast<double>(state >> 11) * (1.0 / 9007199254740992.0);
        };
        out.reserve(4096);
        for (int i = 0; i < 4096; ++i) {
            const double latitude = 59.0 + 11.0 * next();
            const double longitude = 19.0 + 13.0 * next();
            out.push_back({latitude, longitude});
        }
        return out;
    }();
    return positions;
}

template <void (*Convert)(double, double, int, double&, double&)>
void convertPositions(benchmark::State& state)
{
    const std::vector<Position>& positions = finnishPositions();
    std::size_t i = 0;
    for (auto _ : state) {
        double x = 0.0;
        double y = 0.0;
        Convert(positions[i].latitude, positions[i].longitude, 2, x, y);
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(y);
        i = (i + 1) % positions.size();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

template <void (*Project)(double, double, double&, double&)>
void projectPositions(benchmark::State& state)
{
    const std::vector<Position>& positions = finnishPositions();
    std::size_t i = 0;
    for (auto _ : state) {
        double x = 0.0;
        double y = 0.0;
        Project(positions[i].latitude * gnsslog::kkj::kRadiansPerDegree,
                (positions[i].longitude - 24.0) * gnsslog::kkj::kRadiansPerDegree, x, y);
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(y);
        i = (i + 1) % positions.size();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void BM_GeodeticToKKJ(benchmark::State& state)
{
    convertPositions<gnsslog::geodeticToKKJ>(state);
}

void BM_GeodeticToKKJReference(benchmark::State& state)
{
    convertPositions<gnsslog::kkj::detail::geodeticToKKJReference>(state);
}

void BM_ProjectGaussKruger(benchmark::State& state)
{
    projectPositions<gnsslog::projectGaussKruger>(state);
}

void BM_ProjectGaussKrugerReference(benchmark::State& state)
{
    projectPositions<gnsslog::kkj::detail::projectGaussKrugerReference>(state);
}

// The other grids through the converter the pipeline uses: the local
// tangent plane and TM35FIN through PROJ.
void convertInFrame(benchmark::State& state, const gnsslog::GridFrame& frame)
{
    const std::vector<Position>& positions = finnishPositions();
    gnsslog::GridConverter converter(frame, gnsslog::GeodeticPosition{64.5, 25.5, 0.0});
    std::size_t i = 0;
    for (auto _ : state) {
        double x = 0.0;
        double y = 0.0;
        benchmark::DoNotOptimize(
            converter.toGrid(positions[i].latitude, positions[i].longitude, x, y));
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(y);
        i = (i + 1) % positions.size();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void BM_GeodeticToEnu(benchmark::State& state)
{
    convertInFrame(state, gnsslog::GridFrame{gnsslog::GridKind::Enu, 0});
}

void BM_GeodeticToTm35finProj(benchmark::State& state)
{
    convertInFrame(state, gnsslog::GridFrame{gnsslog::GridKind::Projected, gnsslog::kEpsgTm35fin});
}

// ECEF of the Finnish positions at heights up to 1 km, back to WGS84:
// the closed form against the iteration it replaced.
void ecefBack(benchmark::State& state, bool (*convert)(double, double, double, gnsslog::Wgs84Position&) noexcept)
{
    static const std::vector<std::array<double, 3>> points = [] {
        std::vector<std::array<double, 3>> out;
        constexpr double a = 6378137.0;
        constexpr double e2 = (2.0 - 1.0 / 298.257223563) / 298.257223563;
        constexpr double radiansPerDegree = 3.14159265358979323846 / 180.0;
        double height = 0.0;
        for (const Position& p : finnishPositions()) {
            const double phi = p.latitude * radiansPerDegree;
            const double lambda = p.longitude * radiansPerDegree;
            const double n = a / std::sqrt(1.0 - e2 * std::sin(phi) * std::sin(phi));
            out.push_back({(n + height) * std::cos(phi) * std::cos(lambda),
                           (n + height) * std::cos(phi) * std::sin(lambda), (n * (1.0 - e2) + height) * std::sin(phi)});
            height = height >= 1000.0 ? 0.0 : height + 37.0;
        }
        return out;
    }();
    std::size_t i = 0;
    for (auto _ : state) {
        gnsslog::Wgs84Position position;
        benchmark::DoNotOptimize(convert(points[i][0], points[i][1], points[i][2], position));
        benchmark::DoNotOptimize(position);
        i = (i + 1) % points.size();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void BM_EcefToWgs84(benchmark::State& state) { ecefBack(state, gnsslog::ecefToWgs84); }
void BM_EcefToWgs84Reference(benchmark::State& state) { ecefBack(state, gnsslog::ecefToWgs84Reference); }

}  // namespace

BENCHMARK(BM_EcefToWgs84);
BENCHMARK(BM_EcefToWgs84Reference);
BENCHMARK(BM_GeodeticToEnu);
BENCHMARK(BM_GeodeticToTm35finProj);
BENCHMARK(BM_GeodeticToKKJ);
BENCHMARK(BM_GeodeticToKKJReference);
BENCHMARK(BM_ProjectGaussKruger);
BENCHMARK(BM_ProjectGaussKrugerReference);
