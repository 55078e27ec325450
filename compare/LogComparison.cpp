#include "compare/LogComparison.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "log/formats/FormatDetection.h"
#include "log/formats/Formats.h"
#include "log/Pipeline.h"
#include "reference/ErrorAnalysis.h"
#include "reference/ReferenceFile.h"
#include "reference/TimeShiftCheck.h"

namespace gnsslog {

namespace {

struct AnalysisSettings {
    std::uint8_t truthMode;
    double x;
    double y;
    double z;
    bool decodeWorker;
    std::optional<GeodeticPosition> enuOrigin{};  // set: replaces the settings' origin
};

std::unique_ptr<GNSSLog> analyse(const std::string& file, const ComparisonSettings& settings,
                                 const AnalysisSettings& analysis)
{
    auto log = std::make_unique<GNSSLog>(analysis.truthMode, analysis.x, analysis.y, analysis.z);
    PipelineOptions options;
    options.decodeWorker = analysis.decodeWorker;
    DecodeOptions decodeOptions = settings.decodeOptions;
    if (analysis.enuOrigin) {
        decodeOptions.enuOrigin = analysis.enuOrigin;
    }
    runPipeline(*log, file.c_str(), nullptr, decodeOptions, comparedFormatOf(file, settings), options);
    return log;
}

// The row of a log measured against the settings' reference.
LogRow referenceRow(const std::string& file, const GNSSLog& analysis,
                    const ComparisonSettings& settings)
{
    const ReferenceTrajectory& reference = *settings.reference;
    const RecordClock clock = logRecordClock(file, comparedFormatOf(file, settings));
    ReferenceMeasurement measured =
        measureAgainstReference(analysis, clock, reference, settings.referenceMatch);
    LogRow row = comparisonRow(file, *measured.errors, settings);
    row.referenceMatch = std::move(measured.match);
    row.errors = std::move(measured.errors);
    if (const std::optional<int> shift =
            findTimeShift(analysis.records, clock, reference, settings.referenceMatch)) {
        row.referenceWarnings.push_back(timeShiftWarning(*shift));
    }
    return row;
}

bool sameFile(const std::string& a, const std::string& b)
{
    if (a == b) {
        return true;
    }
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

std::vector<Verdict> verdictsOf(const ComparisonSettings& settings, const LogFigures& figures,
                                bool truthDefined)
{
    return checkRequirements(settings.requirements, figures, truthDefined);
}

}  // namespace

bool LogRow::passes() const noexcept
{
    if (!allPass(verdicts)) {
        return false;
    }
    return std::all_of(slices.begin(), slices.end(),
                       [](const SliceRow& slice) { return allPass(slice.verdicts); });
}

const InputFormat& comparedFormatOf(const std::string& file, const ComparisonSettings& settings)
{
    const InputFormat& format =
        settings.detectFormat ? detectedFormatOrFallback(file.c_str(), settings.verifyChecksum)
        : settings.format != nullptr ? *settings.format
                                     : fallbackFormat();
    return withChecksumCheck(format, settings.verifyChecksum);
}

namespace {

// The accuracy figures of a slice's records, a part of analysis.records.
std::span<const AccuracyFigures> accuracyOfSlice(const GNSSLog& analysis,
                                                 std::span<const GNSSRecord> records) noexcept
{
    if (analysis.accuracy.size() != analysis.records.size() || records.empty()) {
        return {};
    }
    const auto first = static_cast<std::size_t>(records.data() - analysis.records.data());
    return std::span<const AccuracyFigures>(analysis.accuracy).subspan(first, records.size());
}

}  // namespace

LogRow comparisonRow(const std::string& file, const GNSSLog& analysis,
                     const ComparisonSettings& settings)
{
    LogRow row;
    row.file = file;
    row.truthX = analysis.truthX();
    row.truthY = analysis.truthY();
    row.truthZ = analysis.truthZ();
    row.statistics = computeStatistics(analysis.records, row.truthX, row.truthY, row.truthZ,
                                       settings.withinThresholds, settings.wrongFixThreshold);
    row.figures = logFigures(row.statistics, static_cast<std::int64_t>(analysis.records.size()));
    addSessionFigures(row.figures, analysis.records, {row.truthX, row.truthY, row.truthZ},
                      settings.wrongFixThreshold, analysis.restarts);
    const bool truthDefined = !analysis.truthUndefined();
    // Errors against an undefined truth (zeros) would make every epoch
    // look outside its sigmas: the honesty figures stay empty instead.
    if (truthDefined) {
        addHonestyFigures(row.figures, analysis.records, analysis.accuracy,
                          {row.truthX, row.truthY, row.truthZ}, settings.integrity);
    }
    row.truthUndefined = !truthDefined;
    row.verdicts = verdictsOf(settings, row.figures, truthDefined);
    if (settings.sliceSeconds > 0) {
        // Each slice is measured as a log of its own records against the
        // log's truth: a loss is counted in the slice where it starts, and
        // its re-fix only when that falls in the same slice.
        row.sliceError = forEachTimeSlice(
            analysis.records, settings.sliceSeconds, row.statistics.continuity.nominalInterval,
            [&](const TimeSlice& slice, std::span<const GNSSRecord> records) {
                SliceRow sliceRow;
                sliceRow.slice = slice;
                sliceRow.figures = computeLogFigures(records, row.truthX, row.truthY, row.truthZ,
                                                     settings.wrongFixThreshold);
                if (truthDefined) {
                    addHonestyFigures(sliceRow.figures, records, accuracyOfSlice(analysis, records),
                                      {row.truthX, row.truthY, row.truthZ}, settings.integrity);
                }
                sliceRow.verdicts = verdictsOf(settings, sliceRow.figures, truthDefined);
                row.slices.push_back(std::move(sliceRow));
            });
    }
    return row;
}

namespace {

// Logs analysed at once: the settings' concurrency, else one per core, and
// never more than there are logs.
std::size_t logsAtOnce(const ComparisonSettings& settings, std::size_t logCount)
{
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return std::min<std::size_t>(settings.concurrency > 0 ? settings.concurrency : cores,
                                 std::max<std::size_t>(logCount, 1));
}

// The truth the settings name before any log is read.
SharedTruth settingsTruth(const ComparisonSettings& settings)
{
    SharedTruth truth;
    if (settings.reference != nullptr) {
        truth.source = TruthSource::Reference;
        truth.file = settings.reference->file;
        return truth;
    }
    switch (settings.truthMode) {
    case TruthMode::FirstFix: truth.source = TruthSource::EachLogFirstFix; break;
    case TruthMode::Manual:
        truth.source = TruthSource::Manual;
        truth.x = settings.manualX;
        truth.y = settings.manualY;
        truth.z = settings.manualZ;
        break;
    default: truth.source = TruthSource::EachLogAveraged; break;
    }
    return truth;
}

// Makes one log's row, hands it to finished, then frees what only finished
// needed.
class RowMaker {
public:
    RowMaker(LogComparison& comparison, const std::vector<std::string>& files,
             const ComparisonSettings& settings, const FinishedAnalysis& finished)
        : comparison_(comparison), files_(files), settings_(settings), finished_(finished)
    {
    }

    void operator()(std::size_t index, const GNSSLog& analysis) const
    {
        LogRow& row = comparison_.rows[index];
        if (!analysis.openError.empty()) {
            row.file = files_[index];
            row.openError = analysis.openError;
            return;
        }
        row = settings_.reference != nullptr ? referenceRow(files_[index], analysis, settings_)
                                             : comparisonRow(files_[index], analysis, settings_);
        if (finished_) {
            finished_(index, analysis, row);
        }
        row.errors.reset();
        if (row.referenceMatch) {
            row.referenceMatch->records = {};
        }
    }

private:
    LogComparison& comparison_;
    const std::vector<std::string>& files_;
    const ComparisonSettings& settings_;
    const FinishedAnalysis& finished_;
};

// Analyses the truth log first, alone, with both cores, and makes its row
// where it is one of the logs; the others then take its truth as manual
// coordinates in own. False, with the comparison's truthError, when the
// log gives no truth.
bool takeTruthFromLog(LogComparison& comparison, const std::vector<std::string>& files,
                      const ComparisonSettings& settings, const RowMaker& makeRow,
                      AnalysisSettings& own, std::vector<bool>& done)
{
    AnalysisSettings first = own;
    first.decodeWorker = true;
    std::unique_ptr<GNSSLog> truthLog = analyse(settings.truthFrom, settings, first);
    if (!truthLog->openError.empty()) {
        comparison.truthError = truthLog->openError;
        comparison.truthUnreadable = true;
    } else if (truthLog->rtkFixCount <= 0) {
        comparison.truthError = settings.truthFrom + ": no RTK-fixed position to take the truth from";
    }
    if (!comparison.truthError.empty()) {
        return false;
    }
    comparison.truth.source = TruthSource::FromLog;
    comparison.truth.file = settings.truthFrom;
    comparison.truth.fromMode = settings.truthMode;
    comparison.truth.x = truthLog->truthX();
    comparison.truth.y = truthLog->truthY();
    comparison.truth.z = truthLog->truthZ();
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (sameFile(files[i], settings.truthFrom)) {
            makeRow(i, *truthLog);
            done[i] = true;
            break;
        }
    }
    own = AnalysisSettings{TruthMode::Manual, comparison.truth.x, comparison.truth.y,
                           comparison.truth.z, own.decodeWorker};
    // A local plane of each log's own first position would put the shared
    // truth somewhere else in every log: all take the truth log's.
    if (settings.decodeOptions.frame.kind == GridKind::Enu && !settings.decodeOptions.enuOrigin) {
        own.enuOrigin = truthLog->frameOrigin;
    }
    return true;
}

// Analyses every log not done yet on up to atOnce threads, this one
// included; rethrows the first failure once all have stopped.
void analyseRemaining(const std::vector<std::string>& files, const ComparisonSettings& settings,
                      const AnalysisSettings& own, const std::vector<bool>& done,
                      std::size_t atOnce, const RowMaker& makeRow)
{
    std::atomic<std::size_t> next{0};
    std::mutex failureMutex;
    std::exception_ptr failure;
    auto work = [&] {
        for (;;) {
            const std::size_t index = next.fetch_add(1);
            if (index >= files.size()) {
                return;
            }
            if (done[index]) {
                continue;
            }
            try {
                std::unique_ptr<GNSSLog> analysis = analyse(files[index], settings, own);
                makeRow(index, *analysis);
            } catch (...) {
                const std::lock_guard lock(failureMutex);
                if (!failure) {
                    failure = std::current_exception();
                }
                next.store(files.size());
                return;
            }
        }
    };
    std::vector<std::thread> helpers;
    for (std::size_t i = 1; i < atOnce; ++i) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            // No more threads to be had: this thread and the helpers
            // already started take the remaining logs.
            break;
        }
    }
    work();
    for (std::thread& helper : helpers) {
        helper.join();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

}  // namespace

LogComparison compareLogs(const std::vector<std::string>& files, const ComparisonSettings& settings,
                          const FinishedAnalysis& finished)
{
    LogComparison comparison;
    comparison.rows.resize(files.size());
    const std::size_t atOnce = logsAtOnce(settings, files.size());
    const bool decodeWorker = atOnce <= 1 || settings.decodeWorkerWhenConcurrent;
    AnalysisSettings own{settings.truthMode, settings.manualX, settings.manualY, settings.manualZ,
                         decodeWorker};
    comparison.truth = settingsTruth(settings);
    const RowMaker makeRow(comparison, files, settings, finished);

    std::vector<bool> done(files.size(), false);
    if (!settings.truthFrom.empty() && settings.truthMode != TruthMode::Manual &&
        settings.reference == nullptr &&
        !takeTruthFromLog(comparison, files, settings, makeRow, own, done)) {
        comparison.rows.clear();
        return comparison;
    }
    analyseRemaining(files, settings, own, done, atOnce, makeRow);
    return comparison;
}

}  // namespace gnsslog
