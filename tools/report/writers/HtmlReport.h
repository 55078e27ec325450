// One self-contained HTML report: summary, statistics tables, the six
// pictures as PNG data URIs, the fix-loss and wrong-fix tables.
//
// The page loads nothing: no external style sheet, script, font or image,
// so it opens the same in any browser without a network. It is also
// well-formed XML (XHTML syntax), so tools can parse it back. Every text
// taken from outside (file names, summary lines) is escaped, and bytes
// that are not valid UTF-8 or are control characters become U+FFFD.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "log/quality/DataQuality.h"
#include "metrics/SessionSummary.h"
#include "tools/report/writers/PngExport.h"
#include "tools/report/writers/StatsReport.h"

namespace gnsslog {

class GNSSLog;

struct HtmlPicture {
    std::string title;  // caption, plain text
    std::string png;    // PNG file bytes
};

struct HtmlReportContent {
    std::string title;                      // plain text, e.g. the log's file name
    std::vector<std::string> summaryLines;  // the six summary lines, plain text
    const Statistics* statistics = nullptr;  // may be null: no statistics tables
    const DataQuality* dataQuality = nullptr;  // may be null: no data-quality section
    std::string gridFrame;  // the grid of the errors, plain text; empty: not named
    std::string truthWarning;  // why the errors mean nothing, plain text; empty: they do
    std::vector<HtmlPicture> pictures;
};

// Text for element content or a quoted attribute value.
std::string escapeHtml(std::string_view text);

// <meta name="generator" .../> naming gnsslog-report and its version, so a
// stored page says what made it; ends with a line end.
std::string generatorMeta();

// Standard base64 (RFC 4648) with padding, no line breaks.
std::string base64Encode(std::string_view bytes);

std::string renderHtmlReport(const HtmlReportContent& content);

// Draws the six pictures of the picture export (histograms of X, Y, Z,
// 3-D RTK fixed, 3-D RTK-X, and the error plot) and returns their PNG
// bytes in that order. Returns an empty string on success, else why not.
std::string renderReportPictures(const GNSSLog& analysis, std::vector<HtmlPicture>& pictures);

// Appends the scatter plot and error CDF pictures (see
// drawRequestedWindowPictures) as renderReportPictures does.
std::string renderRequestedWindowPictures(const GNSSLog& analysis, std::vector<HtmlPicture>& pictures);

// Writes the page to path. Returns an empty string on success, else a
// message naming the file. Does not throw.
std::string writeHtmlReport(const std::string& path, const HtmlReportContent& content);

// Writes the page that render makes to path, as writeHtmlReport does; a
// failure to render (no memory) is reported like a failure to write.
std::string writeRenderedPage(const std::string& path, const std::function<std::string()>& render);

// The report tool's --html step: the page of one analysis of logFile (its
// bare file name is the title), with the six pictures drawn here, then the
// scatter plot and the error CDF, then the sessions' lane chart and
// time-to-fix CDF, and with a track (may be null) its picture.
std::string writeAnalysisHtml(const std::string& path, const std::string& logFile,
                              const GNSSLog& analysis, const std::vector<std::string>& summaryLines,
                              const Statistics& statistics, const SessionAnalysis& sessions,
                              const TrackSource* track = nullptr,
                              const IntegrityOptions* protection = nullptr);

}  // namespace gnsslog
