#include "history/HistoryRunBuilder.h"

#include <cmath>
#include <cstddef>
#include <filesystem>

#include "history/HistoryDays.h"
#include "metrics/AccuracyStats.h"
#include "metrics/SolutionClass.h"

namespace gnsslog {

namespace {

// Positions of the 50th and 95th percentile in kReportedPercentiles.
constexpr std::size_t kP50 = 0;
constexpr std::size_t kP95 = 2;
static_assert(kReportedPercentiles[kP50] == 50 && kReportedPercentiles[kP95] == 95);

std::vector<HistoryClassFigures> classFiguresOf(std::span<const GNSSRecord> records, const LogRow& row)
{
    const AccuracyStats stats =
        computeAccuracyStats(records, row.truthX, row.truthY, row.truthZ, {});
    std::vector<HistoryClassFigures> classes;
    for (std::size_t i = 0; i < kSolutionClassCount; ++i) {
        const ClassAccuracy& c = stats.classes[i];
        if (c.epochs == 0) {
            continue;
        }
        HistoryClassFigures figures;
        figures.solutionClass = solutionClassKey(static_cast<SolutionClass>(i));
        figures.epochs = c.epochs;
        // Against an undefined truth the errors mean nothing.
        if (c.horizontalCount > 0 && !row.truthUndefined) {
            figures.horizontal50 = c.horizontalPercentiles[kP50];
            figures.horizontal95 = c.horizontalPercentiles[kP95];
        }
        if (c.verticalCount > 0 && !row.truthUndefined) {
            figures.vertical95 = c.verticalPercentiles[kP95];
        }
        classes.push_back(std::move(figures));
    }
    return classes;
}

// Steps forward longer than twice the median interval, as the log's data
// quality counts them; empty without a median interval.
std::optional<std::int64_t> gapsOf(std::span<const GNSSRecord> records, double medianInterval)
{
    if (!(medianInterval > 0) || !std::isfinite(medianInterval)) {
        return std::nullopt;
    }
    std::int64_t gaps = 0;
    for (std::size_t i = 1; i < records.size(); ++i) {
        if (records[i].time - records[i - 1].time > 2 * medianInterval) {
            ++gaps;
        }
    }
    return gaps;
}

HistoryDataQuality dataQualityOf(const DataQuality& q)
{
    const auto count = [](std::uint64_t n) { return static_cast<std::int64_t>(n); };
    return {count(q.frames),         count(q.rejectedChecksum), count(q.unreadFrames),
            count(q.rejectedFrames), count(q.truncatedFrames),  count(q.backwardSteps),
            count(q.dayWraps),       count(q.gaps),             count(q.datesIgnored)};
}

}  // namespace

std::string historySourceName(const std::string& source)
{
    const std::string name = std::filesystem::path(source).filename().string();
    return name.empty() ? source : name;
}

HistoryRun historyRunOf(const HistoryRunContext& context, const GNSSLog& measured,
                        const DataQuality& quality, const LogRow& row,
                        const ComparisonSettings& settings)
{
    HistoryRun run;
    run.writtenUtc = context.writtenUtc;
    run.source = context.source;
    run.name = historySourceName(context.source);
    run.sliceSeconds = settings.sliceSeconds;
    run.requirements = context.requirementsText;
    run.truth = context.truth;
    run.dataQuality = dataQualityOf(quality);
    if (settings.sliceSeconds <= 0 || !row.sliceError.empty()) {
        return run;
    }
    // The visit is the one that made row.slices, so the two go in step.
    std::size_t index = 0;
    forEachTimeSlice(
        measured.records, settings.sliceSeconds, row.statistics.continuity.nominalInterval,
        [&](const TimeSlice& timeSlice, std::span<const GNSSRecord> records) {
            const std::size_t at = index++;
            const std::optional<std::string> day =
                sliceDay(timeSlice.start, context.clock, measured.endTime, context.lastDay);
            if (at >= row.slices.size() || !day) {
                return;
            }
            const SliceRow& sliceRow = row.slices[at];
            HistorySlice slice;
            slice.day = *day;
            slice.startSeconds = timeSlice.start;
            slice.endSeconds = timeSlice.end;
            slice.partial = timeSlice.partial;
            slice.figures = sliceRow.figures;
            slice.classes = classFiguresOf(records, row);
            slice.gaps = gapsOf(records, quality.medianInterval);
            for (std::size_t i = 0; i < sliceRow.verdicts.size() && i < settings.requirements.size(); ++i) {
                const Verdict& v = sliceRow.verdicts[i];
                slice.verdicts.push_back({settings.requirements[i].text, v.value, verdictText(v)});
            }
            if (!settings.requirements.empty()) {
                slice.passes = allPass(sliceRow.verdicts);
            }
            run.slices.push_back(std::move(slice));
        });
    return run;
}

}  // namespace gnsslog
