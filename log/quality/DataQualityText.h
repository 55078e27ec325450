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

// One of those lines cut into lines of at most `columns` characters, for a
// window of fixed-width text: cut only between items (at the space after
// ", ", "; " or ": ", or before " ("), so that a count never leaves its
// name. Lines after the first are indented four more than the line. An
// item longer than a line is cut between its words; a word longer than a
// line stays whole.
std::vector<std::string> wrapBetweenItems(const std::string& line, std::size_t columns);

}  // namespace gnsslog
