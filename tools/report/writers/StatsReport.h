// The report tool's statistics: the readable text block and the
// JSON objects "statistics", "fixContinuity" and "wrongFixes".
//
// Numbers in JSON are metres, seconds and shares (0..1). A value that does
// not exist (a class without epochs, a fix never regained) is null, never
// NaN, so the output stays valid JSON.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "metrics/AccuracyStats.h"
#include "metrics/FixContinuity.h"
#include "metrics/Statistics.h"
#include "metrics/WrongFixes.h"

namespace gnsslog {

class GNSSLog;

// The readable block, several lines, each ending in a newline.
void writeStatisticsText(std::ostream& out, const Statistics& stats);

nlohmann::ordered_json statisticsJson(const AccuracyStats& stats);
nlohmann::ordered_json fixContinuityJson(const FixContinuity& continuity);
nlohmann::ordered_json wrongFixesJson(const WrongFixes& wrongFixes, double logStart);

// Adds the three objects to a report's JSON object.
void addStatisticsJson(nlohmann::ordered_json& report, const Statistics& stats);

// Helpers shared with the HTML report.
std::string formatMetres(double value);     // "0.0123", or "-" when not finite
std::string formatSeconds(double value);    // "12.300", or "-" when not finite
std::string formatShare(double share);      // "97.5 %"
std::string formatFixTypes(const std::vector<std::uint8_t>& types);  // "5, 1"

}  // namespace gnsslog
