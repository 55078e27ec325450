// One self-contained page comparing several logs: the truth used, the
// comparison table (a row per log, its slices below it, PASS/FAIL per
// requirement), each log's pictures side by side in a row of their own,
// and each log's summary. Like the single-log page it loads nothing and is
// well-formed XHTML.
#pragma once

#include <string>
#include <vector>

#include "compare/ComparisonTable.h"
#include "tools/report/writers/HtmlReport.h"

namespace gnsslog {

struct ComparedLogPage {
    std::string name;                       // bare file name
    std::vector<std::string> summaryLines;  // or why the log has none
    std::string truthWarning;               // why its errors mean nothing; empty: they do
    std::vector<HtmlPicture> pictures;      // as the single-log page draws them
};

std::string renderComparisonHtml(const std::string& truthLine, const TextTable& table,
                                 const std::vector<ComparedLogPage>& logs);

// Writes the page to path; an empty string on success, else a message
// naming the file. Does not throw.
std::string writeComparisonHtml(const std::string& path, const std::string& truthLine,
                                const TextTable& table, const std::vector<ComparedLogPage>& logs);

}  // namespace gnsslog
