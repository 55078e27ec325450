// What one run adds to a monitoring history: per log (or live source) and
// clock slice, the slice's figures, its figures per solution class, its
// verdicts and its data-quality counts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "compare/LogFigures.h"

namespace gnsslog {

// A solution class's accuracy within one slice.
struct HistoryClassFigures {
    std::string solutionClass;  // solutionClassKey(): "rtkFixed", "rtkFloat", ...
    std::int64_t epochs = 0;
    std::optional<double> horizontal50;  // metres
    std::optional<double> horizontal95;  // metres
    std::optional<double> vertical95;    // metres
};

struct HistoryVerdict {
    std::string requirement;     // as written, e.g. "h95<=0.02"
    std::optional<double> value; // the figure in its base unit; empty: it does not exist
    std::string verdict;         // "PASS", "FAIL" or "-" (undecided)
};

struct HistorySlice {
    std::string day;            // "YYYY-MM-DD" the slice starts on
    double startSeconds = 0;    // in the log's own time scale
    double endSeconds = 0;
    bool partial = false;
    // All but the re-fix times and the sessions' list of times to fix.
    LogFigures figures;
    // False in rows written before the history kept the session figures
    // (sessions, times to fix, first fixes) and the honesty figures
    // (within 1 sigma, hazardously misleading, misleading rate): there
    // they are unknown, not zero, and read back empty.
    bool sessionFiguresKept = true;
    std::vector<HistoryClassFigures> classes;
    std::vector<HistoryVerdict> verdicts;
    std::optional<bool> passes;  // empty: no requirements
    // Steps between records longer than twice the log's median interval;
    // empty in rows written before the history kept it.
    std::optional<std::int64_t> gaps;
};

// The log's data-quality counts (log/quality/DataQuality.h); empty in
// rows written before the history kept them.
struct HistoryDataQuality {
    std::int64_t frames = 0;
    std::int64_t rejectedChecksum = 0;
    std::int64_t unreadFrames = 0;
    std::int64_t rejectedFrames = 0;
    std::int64_t truncatedFrames = 0;
    std::int64_t backwardSteps = 0;
    std::int64_t dayWraps = 0;
    std::int64_t gaps = 0;
    std::int64_t datesIgnored = 0;

    friend bool operator==(const HistoryDataQuality&, const HistoryDataQuality&) = default;
};

struct HistoryRun {
    std::string writtenUtc;    // "YYYY-MM-DDTHH:MM:SSZ" when the run was written
    std::string source;        // the log file or live source as given
    std::string name;          // its bare file name, what --source matches too
    double sliceSeconds = 0;
    std::string requirements;  // the --require text, "" without
    std::string truth;         // which truth the figures were measured against
    std::optional<HistoryDataQuality> dataQuality;
    // A live run whose end has not written it yet: its slices so far are
    // there, its data quality is not (a run killed hard stays so).
    bool inProgress = false;
    std::vector<HistorySlice> slices;
};

// One slice read back, with the run it belongs to.
struct HistoryRow {
    std::int64_t runId = 0;
    std::string writtenUtc;
    std::string source;
    std::string name;
    std::optional<HistoryDataQuality> dataQuality;
    bool inProgress = false;  // HistoryRun::inProgress
    HistorySlice slice;
};

// Which rows to read: days from..to inclusive ("" leaves that end open),
// and a source matched against its text as given or its bare name.
struct HistoryFilter {
    std::string fromDay;
    std::string toDay;
    std::string source;
};

// The sources that have slices, as given, in text order; the first and
// last day of any slice ("" in a history without slices).
struct HistoryOverview {
    std::vector<std::string> sources;
    std::string firstDay;
    std::string lastDay;
};

}  // namespace gnsslog
