// The analysis as one JSON document.
#pragma once

#include <nlohmann/json.hpp>

#include "log/Gpslog.h"
#include "log/Summary.h"

namespace gnsslog {

// Keys in this order: the counts, the three truth sets, the largest
// errors, the time span, truthMode, "histograms" (histZ, histX, histY,
// hist3DFix, hist3DRtkx, each {"sampleCount", "peakCount", "bins":
// [[key, count], ...]} in list order) and "summary" (shownSummary). Doubles are dumped in their shortest form
// that reads back to the same value; NaN and infinities become null.
nlohmann::ordered_json analysisJson(const GNSSLog& log, const SummaryTexts& texts);
// The same with the maxima and histograms of errors, the error analysis of
// log against a reference.
nlohmann::ordered_json analysisJson(const GNSSLog& log, const SummaryTexts& texts,
                                    const GNSSLog& errors);

// {"name": "enu", "description": ..., "epsg": N (projected only),
//  "origin": {latitude, longitude, height} (enu only)}
nlohmann::ordered_json frameJson(const GNSSLog& log);

// What made a stored report: {"name": "gnsslog-report", "version": ...}.
nlohmann::ordered_json generatorJson();

// One histogram as {"sampleCount", "peakCount", "bins"}.
nlohmann::ordered_json histogramJson(const Histogram& histogram);

// The six texts in the window's top-to-bottom order: Label1, Label2,
// Label6, Label4, Label3, Label5.
std::vector<std::string> summaryInWindowOrder(const SummaryTexts& texts);

// The main window's message for a log without records.
inline constexpr const char* kNoRecordsMessage = "No records, check parsing mode";

// What the main window shows of this log after loading it: the six texts
// in window order, or for a log without records only kNoRecordsMessage
// (the window shows that message and leaves its labels as they were).
std::vector<std::string> shownSummary(const GNSSLog& log, const SummaryTexts& texts);

}  // namespace gnsslog
