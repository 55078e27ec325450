// The report tool's account of how honest the log's own sigmas are: the
// text block under --stats and the JSON object "normalisedError". Both only
// for a log with per-axis sigmas and errors to divide by them; any other
// log's output is as it was without them.
#pragma once

#include <iosfwd>
#include <string>

#include <nlohmann/json.hpp>

#include "metrics/Integrity.h"
#include "metrics/NormalisedError.h"

namespace gnsslog {

class GNSSLog;

// Against the analysis's truth; no epochs where its truth is undefined.
NormalisedErrors normalisedErrorsOf(const GNSSLog& analysis);

// Reads --alert-limit H[,V] and --protection K-sigma|pl; the problem, or
// empty when both read.
std::string readIntegrityOptions(const std::string& alertLimit, const std::string& protection,
                                 IntegrityOptions& out);
Integrity integrityOf(const GNSSLog& analysis, const IntegrityOptions& options);
void writeIntegrityText(std::ostream& out, const Integrity& integrity);
nlohmann::ordered_json integrityJson(const Integrity& integrity, const IntegrityOptions& options);

void writeNormalisedErrorText(std::ostream& out, const NormalisedErrors& errors);
nlohmann::ordered_json normalisedErrorJson(const NormalisedErrors& errors);

}  // namespace gnsslog
