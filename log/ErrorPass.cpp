#include "log/ErrorPass.h"

#include <cmath>
#include <optional>

#include "common/SideJob.h"

namespace gnsslog {

namespace {

struct Truth {
    double x, y, z;
};

void keepLargest(double& largest, double error) noexcept
{
    if (std::fabs(error) > largest) {
        largest = std::fabs(error);
    }
}

void accumulateZX(const std::vector<GNSSRecord>& records, Truth truth, Histogram& histZ,
                  Histogram& histX, double& maxZ, double& maxX)
{
    for (const GNSSRecord& r : records) {
        if (r.fixType != FixType::RtkFixed) {
            continue;
        }
        if ((r.validFlags & ValidFlag::Height) != 0) {
            const double dz = r.height - truth.z;
            keepLargest(maxZ, dz);
            histZ.addSample(dz);
        }
        if ((r.validFlags & ValidFlag::Grid) != 0) {
            const double dx = r.localX - truth.x;
            keepLargest(maxX, dx);
            histX.addSample(dx);
        }
    }
}

double error3D(double dz, double dx, double dy) noexcept
{
    const double sum = dz * dz + dx * dx + dy * dy;
    return sum == 0 ? 0.0 : std::sqrt(sum);
}

}  // namespace

void calculationPass(GNSSLog& log, ProgressThrottle& progress, bool splitWork)
{
    log.maxErrorZ = 0;
    log.maxErrorX = 0;
    log.maxErrorY = 0;
    const std::int32_t total = clampedProgressCount(log.records.size());
    progress.report("Calculating", 0, total);
    const Truth truth{log.truthX(), log.truthY(), log.truthZ()};

    double maxZ = 0;
    double maxX = 0;
    // Split: heights and grid x on a second thread (or first, here, when
    // no thread can be had), grid y and the 3-D errors in this loop.
    std::optional<SideJob> helper;
    if (splitWork) {
        helper.emplace(true, [&] { accumulateZX(log.records, truth, log.histZ, log.histX, maxZ, maxX); });
    }

    double maxY = 0;
    std::uint64_t index = 1;
    for (const GNSSRecord& r : log.records) {
        const double dz = r.height - truth.z;
        const double dx = r.localX - truth.x;
        const double dy = r.localY - truth.y;
        const bool hasHeight = (r.validFlags & ValidFlag::Height) != 0;
        const bool hasGrid = (r.validFlags & ValidFlag::Grid) != 0;
        if (r.fixType == FixType::RtkFixed) {
            if (!splitWork && hasHeight) {
                keepLargest(maxZ, dz);
                log.histZ.addSample(dz);
            }
            if (hasGrid) {
                if (!splitWork) {
                    keepLargest(maxX, dx);
                    log.histX.addSample(dx);
                }
                keepLargest(maxY, dy);
                log.histY.addSample(dy);
            }
            if (hasGrid && hasHeight) {
                log.hist3DFix.addSample(error3D(dz, dx, dy));
            }
        } else if (r.fixType == FixType::RtkX && hasGrid && hasHeight) {
            log.hist3DRtkx.addSample(error3D(dz, dx, dy));
        }
        progress.timedReport("Calculating...", clampedProgressCount(index), total);
        ++index;
    }
    if (helper) {
        helper->wait();
    }
    log.maxErrorZ = maxZ;
    log.maxErrorX = maxX;
    log.maxErrorY = maxY;
}

void sortHistograms(GNSSLog& log, ProgressThrottle& progress)
{
    Histogram* const histograms[] = {&log.histZ, &log.histX, &log.histY, &log.hist3DFix,
                                     &log.hist3DRtkx};
    constexpr std::int32_t histogramCount = 5;
    for (std::int32_t i = 0; i < histogramCount; ++i) {
        progress.report("Sorting histograms", i, histogramCount);
        histograms[i]->sortBins();
    }
    progress.report("All done!", histogramCount, histogramCount);
}

}  // namespace gnsslog
