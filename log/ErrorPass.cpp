#include "log/ErrorPass.h"

#include <cmath>
#include <optional>
#include <utility>

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

// The calculation pass over records against truth into figures.
void accumulateErrors(const std::vector<GNSSRecord>& records, Truth truth, ErrorFigures& figures,
                      ProgressThrottle& progress, bool splitWork)
{
    const std::int32_t total = clampedProgressCount(records.size());
    progress.report("Calculating", 0, total);

    double maxZ = 0;
    double maxX = 0;
    // Split: heights and grid x on a second thread (or first, here, when
    // no thread can be had), grid y and the 3-D errors in this loop.
    std::optional<SideJob> helper;
    if (splitWork) {
        helper.emplace(true, [&] { accumulateZX(records, truth, figures.histZ, figures.histX, maxZ, maxX); });
    }

    double maxY = 0;
    std::uint64_t index = 1;
    for (const GNSSRecord& r : records) {
        const double dz = r.height - truth.z;
        const double dx = r.localX - truth.x;
        const double dy = r.localY - truth.y;
        const bool hasHeight = (r.validFlags & ValidFlag::Height) != 0;
        const bool hasGrid = (r.validFlags & ValidFlag::Grid) != 0;
        if (r.fixType == FixType::RtkFixed) {
            if (!splitWork && hasHeight) {
                keepLargest(maxZ, dz);
                figures.histZ.addSample(dz);
            }
            if (hasGrid) {
                if (!splitWork) {
                    keepLargest(maxX, dx);
                    figures.histX.addSample(dx);
                }
                keepLargest(maxY, dy);
                figures.histY.addSample(dy);
            }
            if (hasGrid && hasHeight) {
                figures.hist3DFix.addSample(error3D(dz, dx, dy));
            }
        } else if (r.fixType == FixType::RtkX && hasGrid && hasHeight) {
            figures.hist3DRtkx.addSample(error3D(dz, dx, dy));
        }
        progress.timedReport("Calculating...", clampedProgressCount(index), total);
        ++index;
    }
    if (helper) {
        helper->wait();
    }
    figures.maxErrorZ = maxZ;
    figures.maxErrorX = maxX;
    figures.maxErrorY = maxY;
}

Truth truthOf(const GNSSLog& log) noexcept
{
    return {log.truthX(), log.truthY(), log.truthZ()};
}

}  // namespace

void calculationPass(GNSSLog& log, ProgressThrottle& progress, bool splitWork)
{
    ErrorFigures figures;
    accumulateErrors(log.records, truthOf(log), figures, progress, splitWork);
    takeErrorFigures(log, std::move(figures));
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

ErrorFigures measureErrorFigures(const GNSSLog& log, bool splitWork)
{
    ErrorFigures figures;
    ProgressThrottle silent(nullptr);
    accumulateErrors(log.records, truthOf(log), figures, silent, splitWork);
    for (Histogram* histogram : {&figures.histZ, &figures.histX, &figures.histY, &figures.hist3DFix,
                                 &figures.hist3DRtkx}) {
        histogram->sortBins();
    }
    return figures;
}

void takeErrorFigures(GNSSLog& log, ErrorFigures&& figures) noexcept
{
    log.maxErrorZ = figures.maxErrorZ;
    log.maxErrorX = figures.maxErrorX;
    log.maxErrorY = figures.maxErrorY;
    log.histZ = std::move(figures.histZ);
    log.histX = std::move(figures.histX);
    log.histY = std::move(figures.histY);
    log.hist3DFix = std::move(figures.hist3DFix);
    log.hist3DRtkx = std::move(figures.hist3DRtkx);
}

}  // namespace gnsslog
