#include "tools/report/runs/HistoryWrite.h"

#include <chrono>
#include <filesystem>
#include <system_error>

#include "compare/ComparisonTable.h"
#include "history/HistoryDays.h"
#include "history/HistoryRunBuilder.h"
#include "log/formats/FormatDetection.h"
#include "log/formats/Formats.h"
#include "reference/ReferenceFile.h"
#include "tools/report/writers/HonestyReport.h"

namespace gnsslog {

namespace {

// The day a log file was last written, UTC; today when that cannot be read.
std::int64_t lastWrittenDay(const std::string& file)
{
    using namespace std::chrono;
    std::error_code error;
    const std::filesystem::file_time_type written = std::filesystem::last_write_time(file, error);
    const auto moment = error ? system_clock::now() : file_clock::to_sys(written);
    return floor<days>(moment).time_since_epoch().count();
}

// Which truth a single-log run measured against, as the comparison names it.
SharedTruth truthOf(const ReportOptions& options, const GNSSLog& analysis)
{
    SharedTruth truth;
    if (options.reference.asked()) {
        truth.source = TruthSource::Reference;
        truth.file = options.reference.file;
        return truth;
    }
    switch (analysis.truthMode) {
    case TruthMode::FirstFix: truth.source = TruthSource::EachLogFirstFix; break;
    case TruthMode::Manual:
        truth.source = TruthSource::Manual;
        truth.x = analysis.truthX();
        truth.y = analysis.truthY();
        truth.z = analysis.truthZ();
        break;
    default: truth.source = TruthSource::EachLogAveraged; break;
    }
    return truth;
}

}  // namespace

HistoryWriter::HistoryWriter(const HistoryOptions& options, std::size_t logs, std::string requirementsText)
    : database_(options.file),
      requirementsText_(std::move(requirementsText)),
      writtenUtc_(utcTimestamp(std::chrono::system_clock::now())),
      liveSource_(options.liveSource),
      liveRunId_(options.liveRunId),
      runs_(logs)
{
}

void HistoryWriter::add(std::size_t index, const std::string& file, const GNSSLog& analysis,
                        const GNSSLog& measured, const LogRow& row, const ComparisonSettings& settings)
{
    HistoryRun run = runOf(file, analysis, measured, row, settings);
    const std::lock_guard lock(mutex_);
    if (index < runs_.size()) {
        runs_[index] = std::move(run);
    }
}

HistoryRun HistoryWriter::runOf(const std::string& file, const GNSSLog& analysis,
                                const GNSSLog& measured, const LogRow& row,
                                const ComparisonSettings& settings) const
{
    HistoryRunContext context;
    context.source = liveSource_.empty() || runs_.size() != 1 ? file : liveSource_;
    context.writtenUtc = writtenUtc_;
    context.requirementsText = requirementsText_;
    context.clock = logRecordClock(file, comparedFormatOf(file, settings));
    context.lastDay = lastWrittenDay(file);
    HistoryRun run;
    if (settings.sliceSeconds > 0) {
        run = historyRunOf(context, measured, analysis.dataQuality, row, settings);
    } else {
        ComparisonSettings sliced = settings;
        sliced.sliceSeconds = kDefaultHistorySliceSeconds;
        const LogRow slicedRow = comparisonRow(file, measured, sliced);
        run = historyRunOf(context, measured, analysis.dataQuality, slicedRow, sliced);
    }
    return run;
}

std::string HistoryWriter::write(const std::string& truthLine)
{
    std::vector<HistoryRun> runs;
    for (std::optional<HistoryRun>& run : runs_) {
        if (run) {
            run->truth = truthLine;
            runs.push_back(std::move(*run));
        }
    }
    if (liveRunId_ != 0 && runs.size() == 1) {
        return database_.finishRun(liveRunId_, runs.front());
    }
    return database_.append(runs);
}

std::unique_ptr<HistoryWriter> openHistoryWriter(const ReportOptions& options, std::size_t logs)
{
    if (!options.history.writes()) {
        return nullptr;
    }
    return std::make_unique<HistoryWriter>(options.history, logs, options.comparison.requireText);
}

std::string singleLogHistorySettings(const ReportOptions& options, ComparisonSettings& settings)
{
    settings.detectFormat = options.format == kAutoFormatName;
    settings.format = settings.detectFormat ? nullptr : &options.inputFormat();
    settings.verifyChecksum = options.verifyNmeaChecksum();
    settings.wrongFixThreshold = options.stats.wrongFixThreshold;
    settings.sliceSeconds = kDefaultHistorySliceSeconds;
    if (options.alertLimit.empty()) {
        return {};
    }
    return readIntegrityOptions(options.alertLimit, options.protection, settings.integrity);
}

std::string writeSingleLogHistory(HistoryWriter& writer, const ReportOptions& options,
                                  const GNSSLog& analysis, const GNSSLog& measured)
{
    ComparisonSettings settings;
    singleLogHistorySettings(options, settings);  // its alert limits were read before the log
    writer.add(0, options.logFile, analysis, measured, comparisonRow(options.logFile, measured, settings),
               settings);
    return writer.write(historyTruthLine(options, analysis));
}

std::string historyTruthLine(const ReportOptions& options, const GNSSLog& analysis)
{
    return describeTruth(truthOf(options, analysis));
}

std::string historyRefusal(const std::string& path)
{
    const HistoryDatabase database(path);
    return database.errorMessage();
}

}  // namespace gnsslog
