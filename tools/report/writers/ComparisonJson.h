// The "comparison" object of a several-log JSON document: the truth used,
// the requirements, and per log its figures, verdicts and slices. Numbers
// are metres, seconds and shares (0..1); a figure that does not exist is
// null.
#pragma once

#include <nlohmann/json.hpp>

#include "compare/LogComparison.h"

namespace gnsslog {

nlohmann::ordered_json figuresJson(const LogFigures& figures);

nlohmann::ordered_json comparisonJson(const LogComparison& comparison,
                                      const std::vector<Requirement>& requirements,
                                      double sliceSeconds);

}  // namespace gnsslog
