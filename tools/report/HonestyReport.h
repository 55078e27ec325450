// The report tool's account of how honest the log's own sigmas are: the
// text block under --stats and the JSON object "normalisedError". Both only
// for a log with per-axis sigmas and errors to divide by them; any other
// log's output is as it was without them.
#pragma once

#include <iosfwd>

#include <nlohmann/json.hpp>

#include "metrics/NormalisedError.h"

namespace gnsslog {

class GNSSLog;

// Against the analysis's truth; no epochs where its truth is undefined.
NormalisedErrors normalisedErrorsOf(const GNSSLog& analysis);

void writeNormalisedErrorText(std::ostream& out, const NormalisedErrors& errors);
nlohmann::ordered_json normalisedErrorJson(const NormalisedErrors& errors);

}  // namespace gnsslog
