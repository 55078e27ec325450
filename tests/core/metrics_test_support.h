// Hand-made analyses for the statistics tests: a manual truth at grid
// coordinates near 7e6 m and epochs given by their errors against it.
// Errors chosen as binary fractions (0.375, 0.625, ...) make record minus
// truth exact there, so a threshold can be hit exactly.
#pragma once

#include <cstdint>
#include <vector>

#include "log/Gpslog.h"

namespace gnsslog::metrics_test {

constexpr double kTruthX = 7000000.0;
constexpr double kTruthY = 2500000.0;
constexpr double kTruthZ = 100.0;
constexpr std::uint32_t kXYZ = ValidFlag::Grid | ValidFlag::Height;

inline GNSSLog manualLog() { return GNSSLog(TruthMode::Manual, kTruthX, kTruthY, kTruthZ); }

inline GNSSRecord epoch(std::uint8_t fixType, double dx, double dy, double dz,
                        std::uint32_t flags = kXYZ)
{
    GNSSRecord r;
    r.fixType = fixType;
    r.validFlags = flags;
    if (flags & ValidFlag::Grid) {
        r.localX = kTruthX + dx;
        r.localY = kTruthY + dy;
    }
    if (flags & ValidFlag::Height) {
        r.height = kTruthZ + dz;
    }
    r.valid = 1;
    return r;
}

// Records and their accuracy figures, side by side as an analysis keeps
// them.
struct EpochsWithAccuracy {
    std::vector<GNSSRecord> records;
    std::vector<AccuracyFigures> accuracy;

    void add(const DecodedRecord& r)
    {
        records.push_back(r);
        accuracy.push_back(r.accuracy);
    }
};

inline DecodedRecord withSigmas(const GNSSRecord& r, double north, double east, double up)
{
    DecodedRecord d;
    static_cast<GNSSRecord&>(d) = r;
    d.setSigmas(north, east, up);
    return d;
}

}  // namespace gnsslog::metrics_test
