// The data-quality figures as lines of text, for the report tool's text
// and HTML output and the application's window.
#pragma once

#include <string>
#include <vector>

#include "log/quality/DataQuality.h"

namespace gnsslog {

// A heading line "Data quality" and indented lines after it, numbers
// without the locale.
std::vector<std::string> dataQualityLines(const DataQuality& quality);

}  // namespace gnsslog
