// The report tool's "dataQuality" JSON object and text block.
//
// Numbers are counts, seconds and metres; a figure that could not be
// determined is null.
#pragma once

#include <iosfwd>

#include <nlohmann/json.hpp>

#include "log/quality/DataQuality.h"

namespace gnsslog {

nlohmann::ordered_json dataQualityJson(const DataQuality& quality);

// The block of text, each line ending in a newline.
void writeDataQualityText(std::ostream& out, const DataQuality& quality);

}  // namespace gnsslog
