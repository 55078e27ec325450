// Several logs analysed side by side: each log's figures against one
// truth choice, optionally per clock slice and checked against
// requirements.
//
// The logs are analysed concurrently, as many at once as there are cores
// (or as asked). A finished analysis is handed to the hook and then freed,
// so memory holds the records of the logs being analysed, not of all of
// them; the rows keep only statistics and figures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "log/Gpslog.h"
#include "log/formats/InputFormat.h"
#include "compare/LogFigures.h"
#include "compare/Requirements.h"
#include "metrics/Statistics.h"
#include "compare/TimeSlices.h"
#include "metrics/WrongFixes.h"
#include "reference/ReferenceTrajectory.h"
#include "reference/TruthMatch.h"

namespace gnsslog {

struct ComparisonSettings {
    DecodeOptions decodeOptions;
    // False: NMEA sentences are read whatever their checksum, in detection
    // too (InputFormat::ignoringChecksums).
    bool verifyChecksum = true;
    const InputFormat* format = nullptr;  // null: NavCom binary
    bool detectFormat = false;  // each log in the format its start looks like (else NavCom binary)
    std::uint8_t truthMode = TruthMode::Averaged;
    double manualX = 0;
    double manualY = 0;
    double manualZ = 0;
    // Not empty: every log is measured against this log's truth (averaged
    // or first fix, as truthMode says). It may be one of the compared logs.
    std::string truthFrom;
    std::vector<double> withinThresholds;  // metres, for the statistics' within shares
    double wrongFixThreshold = kDefaultWrongFixThreshold;
    double sliceSeconds = 0;  // > 0: figures per clock slice of this length as well
    std::vector<Requirement> requirements;
    unsigned concurrency = 0;  // logs analysed at once; 0: the number of cores
    // Each analysis decoding on a second thread of its own. When several
    // logs are analysed at once the cores are busy already (see
    // bench/comparison_bench.cpp), so it is off by default then.
    bool decodeWorkerWhenConcurrent = false;
    // Not null: every log is measured against this reference trajectory
    // instead of a truth point (truthMode and truthFrom are not used).
    const ReferenceTrajectory* reference = nullptr;
    TruthMatchOptions referenceMatch{};
    // The alert limits and protection the integrity figures (hmi, mi-rate)
    // are judged by; without a limit they do not exist.
    IntegrityOptions integrity{};
};

enum class TruthSource : std::uint8_t { EachLogAveraged, EachLogFirstFix, Manual, FromLog, Reference };

struct SharedTruth {
    TruthSource source = TruthSource::EachLogAveraged;
    std::string file;          // FromLog: the log the truth came from; Reference: its file
    std::uint8_t fromMode = TruthMode::Averaged;  // FromLog: averaged or first fix of it
    double x = 0;              // Manual and FromLog: the coordinates, metres
    double y = 0;
    double z = 0;
};

struct SliceRow {
    TimeSlice slice;
    LogFigures figures;
    std::vector<Verdict> verdicts;  // one per requirement
};

struct LogRow {
    std::string file;
    std::string openError;  // not empty: the file could not be read, nothing else is set
    double truthX = 0;      // the truth this log was measured against, metres
    double truthY = 0;
    double truthZ = 0;
    // Its own averaged truth, without RTK-fixed records: the errors mean
    // nothing, and requirements on them are undecided.
    bool truthUndefined = false;
    Statistics statistics;
    LogFigures figures;
    std::vector<Verdict> verdicts;  // one per requirement
    std::vector<SliceRow> slices;
    std::string sliceError;  // why the log could not be sliced
    // Against a reference: how the log's epochs matched it, what the checks
    // found, and the analysis of its errors that the figures come from.
    // The match's per-record outcomes and the error analysis are there for
    // the finished callback only and are released after it.
    std::optional<TruthMatch> referenceMatch;
    std::vector<std::string> referenceWarnings;
    std::shared_ptr<const GNSSLog> errors;

    bool hasRecords() const noexcept { return openError.empty() && figures.records > 0; }
    // Every requirement of the log and of its slices passes.
    bool passes() const noexcept;
};

struct LogComparison {
    SharedTruth truth;
    // Not empty: the truth log could not be read or has no RTK fix, and no
    // log was analysed.
    std::string truthError;
    bool truthUnreadable = false;  // the truth log could not be read (else it has no fix)
    std::vector<LogRow> rows;  // in the order of the files
};

// Called once per analysed (readable) log, on the thread that analysed it,
// possibly at the same time as for other logs; row is complete. After it
// returns the analysis is freed.
using FinishedAnalysis = std::function<void(std::size_t index, const GNSSLog& analysis, const LogRow& row)>;

LogComparison compareLogs(const std::vector<std::string>& files, const ComparisonSettings& settings,
                          const FinishedAnalysis& finished = {});

// The row of one finished analysis (figures, verdicts, slices), measured
// against the analysis' own current truth.
// The format a compared log is read in: detected, or the settings' (NavCom
// binary where none), with the settings' checksum switch.
const InputFormat& comparedFormatOf(const std::string& file, const ComparisonSettings& settings);

LogRow comparisonRow(const std::string& file, const GNSSLog& analysis,
                     const ComparisonSettings& settings);

}  // namespace gnsslog
