// The history run of one analysed log: its comparison row's slices with
// their verdicts, each slice's figures per solution class and its gaps,
// and the log's data-quality counts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compare/LogComparison.h"
#include "history/HistoryRecords.h"
#include "log/formats/RecordClock.h"

namespace gnsslog {

struct HistoryRunContext {
    std::string source;  // the log or live source as given
    std::string writtenUtc;
    std::string truth;   // which truth the figures were measured against
    std::string requirementsText;
    RecordClock clock;   // what the records' times count
    std::int64_t lastDay = 0;  // days from 1970-01-01 the last record was written on
};

// row: comparisonRow() of measured with the settings' slices and
// requirements; measured: the analysis the row was measured on (against a
// reference, the analysis of its errors); quality: the log's own data
// quality. Slices whose day cannot be told are left out.
HistoryRun historyRunOf(const HistoryRunContext& context, const GNSSLog& measured,
                        const DataQuality& quality, const LogRow& row,
                        const ComparisonSettings& settings);

// The bare file name of a source ("a.nmea" of "logs/a.nmea").
std::string historySourceName(const std::string& source);

}  // namespace gnsslog
