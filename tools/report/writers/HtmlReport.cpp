#include "tools/report/writers/HtmlReport.h"

#include <filesystem>
#include <fstream>
#include <utility>

#include <QByteArray>

#include "common/BuildVersion.h"
#include "log/quality/DataQualityText.h"
#include "log/FrameText.h"
#include "log/Gpslog.h"
#include "tools/report/writers/PngExport.h"
#include "tools/report/ReportMessages.h"

namespace gnsslog {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Length of the valid UTF-8 sequence starting at text[i], or 0.
std::size_t utf8SequenceLength(std::string_view text, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;   // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    if (byte(i + 1) < low || byte(i + 1) > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) {
            return 0;
        }
    }
    return length;
}

class Page {
public:
    void raw(std::string_view markup) { html_ += markup; }
    void text(std::string_view plain) { html_ += escapeHtml(plain); }
    void element(std::string_view tag, std::string_view plain)
    {
        html_ += '<';
        html_ += tag;
        html_ += '>';
        text(plain);
        html_ += "</";
        html_ += tag;
        html_ += '>';
    }
    void row(const std::vector<std::string>& cells, bool header = false)
    {
        raw("<tr>");
        for (const std::string& cell : cells) {
            element(header ? "th" : "td", cell);
        }
        raw("</tr>\n");
    }
    std::string take() { return std::move(html_); }

private:
    std::string html_;
};

std::string count(std::int64_t n) { return std::to_string(n); }

std::string metresIf(double value, bool exists) { return exists ? formatMetres(value) : "-"; }
std::string shareIf(double value, bool exists) { return exists ? formatShare(value) : "-"; }

void axisTable(Page& page, const AccuracyStats& stats)
{
    page.element("h3", "Errors per axis (metres)");
    page.raw("<table>\n");
    page.row({"class", "axis", "count", "mean", "std dev", "RMS", "min", "max"}, true);
    for (std::size_t c = 0; c < kSolutionClassCount; ++c) {
        const auto cls = static_cast<SolutionClass>(c);
        const ClassAccuracy& a = stats.of(cls);
        const std::pair<const char*, const AxisStats*> axes[] = {
            {"X", &a.x}, {"Y", &a.y}, {"Z", &a.z}, {"3-D", &a.threeD}};
        for (const auto& [name, axis] : axes) {
            const bool any = axis->count > 0;
            page.row({solutionClassLabel(cls), name, count(axis->count), metresIf(axis->mean, any),
                      metresIf(axis->stdDev, any), metresIf(axis->rms, any),
                      metresIf(axis->min, any), metresIf(axis->max, any)});
        }
    }
    page.raw("</table>\n");
}

void percentileTable(Page& page, const AccuracyStats& stats)
{
    page.element("h3", "Horizontal and vertical error percentiles (metres)");
    page.raw("<table>\n");
    std::vector<std::string> header{"class", "error", "count"};
    for (int p : kReportedPercentiles) {
        header.push_back(std::to_string(p) + " %");
    }
    header.push_back("2DRMS");
    page.row(header, true);
    for (std::size_t c = 0; c < kSolutionClassCount; ++c) {
        const auto cls = static_cast<SolutionClass>(c);
        const ClassAccuracy& a = stats.of(cls);
        const bool anyH = a.horizontalCount > 0;
        std::vector<std::string> h{solutionClassLabel(cls), "horizontal", count(a.horizontalCount)};
        for (double v : a.horizontalPercentiles) {
            h.push_back(metresIf(v, anyH));
        }
        h.push_back(metresIf(a.twoDrms, anyH));
        page.row(h);
        const bool anyV = a.verticalCount > 0;
        std::vector<std::string> v{solutionClassLabel(cls), "vertical", count(a.verticalCount)};
        for (double value : a.verticalPercentiles) {
            v.push_back(metresIf(value, anyV));
        }
        v.push_back("-");
        page.row(v);
    }
    page.raw("</table>\n");
}

void withinTable(Page& page, const AccuracyStats& stats)
{
    if (stats.thresholds.empty()) {
        return;
    }
    page.element("h3", "Share of epochs within the thresholds");
    page.raw("<table>\n");
    std::vector<std::string> header{"class", "error"};
    for (double t : stats.thresholds) {
        header.push_back(formatMetres(t) + " m");
    }
    page.row(header, true);
    for (std::size_t c = 0; c < kSolutionClassCount; ++c) {
        const auto cls = static_cast<SolutionClass>(c);
        const ClassAccuracy& a = stats.of(cls);
        std::vector<std::string> h{solutionClassLabel(cls), "horizontal"};
        std::vector<std::string> v{solutionClassLabel(cls), "vertical"};
        for (std::size_t t = 0; t < stats.thresholds.size(); ++t) {
            h.push_back(shareIf(a.horizontalWithin[t], a.horizontalCount > 0));
            v.push_back(shareIf(a.verticalWithin[t], a.verticalCount > 0));
        }
        page.row(h);
        page.row(v);
    }
    page.raw("</table>\n");
}

void estimateTable(Page& page, const AccuracyStats& stats)
{
    page.element("h3", "Receiver's error estimate against the 3-D error");
    page.raw("<table>\n");
    page.row({"class", "epochs", "within 1x", "within 2x", "within 3x"}, true);
    for (std::size_t c = 0; c < kSolutionClassCount; ++c) {
        const auto cls = static_cast<SolutionClass>(c);
        const ClassAccuracy& a = stats.of(cls);
        const bool any = a.estimateCount > 0;
        page.row({solutionClassLabel(cls), count(a.estimateCount), shareIf(a.estimateWithin[0], any),
                  shareIf(a.estimateWithin[1], any), shareIf(a.estimateWithin[2], any)});
    }
    page.raw("</table>\n");
}

void continuitySection(Page& page, const FixContinuity& fc)
{
    page.element("h2", "Fix continuity");
    page.raw("<ul>\n");
    page.element("li", "Time to first fix: " + (fc.firstFixFound
                                                    ? formatSeconds(fc.timeToFirstFix) + " s"
                                                    : std::string("none")));
    if (fc.epochCount > 0) {
        page.element("li", "Availability: " + formatShare(fc.availability) + " of " +
                               formatSeconds(fc.coveredSeconds) + " s (epoch interval " +
                               formatSeconds(fc.nominalInterval) + " s)");
    }
    std::string losses = "Fix losses: " + std::to_string(fc.losses.size()) + ", regained " +
                         std::to_string(fc.refixCount);
    if (fc.refixCount > 0) {
        losses += "; re-fix time median " + formatSeconds(fc.refixMedian) + " s, 95 % " +
                  formatSeconds(fc.refix95) + " s, max " + formatSeconds(fc.refixMax) + " s";
    }
    page.element("li", losses);
    page.raw("</ul>\n");
    if (fc.losses.empty()) {
        return;
    }
    page.raw("<table>\n");
    page.row({"loss", "from start (s)", "time (s)", "re-fix (s)", "fix types meanwhile"}, true);
    for (std::size_t i = 0; i < fc.losses.size(); ++i) {
        const FixLossEvent& e = fc.losses[i];
        page.row({std::to_string(i + 1), formatSeconds(e.sinceStart), formatSeconds(e.time),
                  e.regained ? formatSeconds(e.duration) : "not regained",
                  formatFixTypes(e.fixTypes)});
    }
    page.raw("</table>\n");
}

void wrongFixSection(Page& page, const WrongFixes& wf, double logStart)
{
    page.element("h2", "Wrong fixes (error > " + formatMetres(wf.threshold) + " m)");
    std::string line = std::to_string(wf.wrongEpochs) + " of " + std::to_string(wf.fixedEpochs) +
                       " fixed epochs";
    if (wf.fixedEpochs > 0) {
        line += " (" + formatShare(wf.share) + ")";
    }
    line += " in " + std::to_string(wf.spans.size()) + (wf.spans.size() == 1 ? " span" : " spans");
    page.element("p", line);
    if (wf.spans.empty()) {
        return;
    }
    page.raw("<table>\n");
    page.row({"span", "from start (s)", "start (s)", "end (s)", "epochs", "max horizontal (m)",
              "max vertical (m)"},
             true);
    for (std::size_t i = 0; i < wf.spans.size(); ++i) {
        const WrongFixSpan& s = wf.spans[i];
        page.row({std::to_string(i + 1), formatSeconds(s.startTime - logStart),
                  formatSeconds(s.startTime), formatSeconds(s.endTime),
                  std::to_string(s.epochCount), formatMetres(s.maxHorizontal),
                  formatMetres(s.maxVertical)});
    }
    page.raw("</table>\n");
}

// Styles use no child combinators or other characters that XML would
// need escaped inside <style>.
constexpr std::string_view kStyle =
    "body{font-family:sans-serif;margin:1.5em;color:#222}"
    "table{border-collapse:collapse;margin:0.5em 0 1.5em 0}"
    "th,td{border:1px solid #bbb;padding:0.2em 0.6em;text-align:right}"
    "th{background:#eee}"
    "td:first-child,th:first-child{text-align:left}"
    "pre{background:#f6f6f6;padding:0.6em}"
    "figure{display:inline-block;margin:0.5em}"
    "figcaption{text-align:center}";

}  // namespace

std::string escapeHtml(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            case '\t':
            case '\n': out += static_cast<char>(c); break;
            default:
                // XML allows no other control character, even escaped.
                if (c < 0x20 || c == 0x7F) {
                    out += kReplacement;
                } else {
                    out += static_cast<char>(c);
                }
            }
            ++i;
            continue;
        }
        const std::size_t length = utf8SequenceLength(text, i);
        if (length == 0) {
            out += kReplacement;
            ++i;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    return out;
}

std::string base64Encode(std::string_view bytes)
{
    const QByteArray raw =
        QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return raw.toBase64().toStdString();
}

std::string generatorMeta()
{
    return "<meta name=\"generator\" content=\"" + escapeHtml(versionLine(kReportProgramName)) + "\"/>\n";
}

std::string renderHtmlReport(const HtmlReportContent& content)
{
    Page page;
    page.raw("<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n<head>\n"
             "<meta charset=\"utf-8\"/>\n");
    page.raw(generatorMeta());
    page.element("title", "gnsslog report: " + content.title);
    page.raw("\n<style>");
    page.raw(kStyle);
    page.raw("</style>\n</head>\n<body>\n");
    page.element("h1", "gnsslog report: " + content.title);
    page.raw("\n");

    page.element("h2", "Summary");
    std::string summary;
    for (const std::string& line : content.summaryLines) {
        summary += line;
        summary += '\n';
    }
    page.element("pre", summary);
    page.raw("\n");
    if (!content.truthWarning.empty()) {
        page.element("p", content.truthWarning);
        page.raw("\n");
    }
    if (!content.gridFrame.empty()) {
        page.element("p", "Grid of the errors: " + content.gridFrame);
        page.raw("\n");
    }

    if (content.statistics != nullptr) {
        const Statistics& stats = *content.statistics;
        page.element("h2", "Statistics (errors record minus truth)");
        page.raw("\n");
        axisTable(page, stats.accuracy);
        percentileTable(page, stats.accuracy);
        withinTable(page, stats.accuracy);
        estimateTable(page, stats.accuracy);
    }

    if (content.dataQuality != nullptr) {
        page.element("h2", "Data quality");
        std::string lines;
        for (const std::string& line : dataQualityLines(*content.dataQuality)) {
            if (line != "Data quality") {  // the heading above says it
                lines += line + '\n';
            }
        }
        page.element("pre", lines);
        page.raw("\n");
    }

    if (!content.pictures.empty()) {
        page.element("h2", "Pictures");
        page.raw("\n");
        for (const HtmlPicture& picture : content.pictures) {
            page.raw("<figure><img src=\"data:image/png;base64,");
            page.raw(base64Encode(picture.png));
            page.raw("\" alt=\"");
            page.text(picture.title);
            page.raw("\"/><figcaption>");
            page.text(picture.title);
            page.raw("</figcaption></figure>\n");
        }
    }

    if (content.statistics != nullptr) {
        continuitySection(page, content.statistics->continuity);
        wrongFixSection(page, content.statistics->wrongFixes, content.statistics->continuity.logStart);
    }
    page.raw("</body>\n</html>\n");
    return page.take();
}

namespace {

std::string encodeAll(const std::vector<ReportPicture>& drawn, std::vector<HtmlPicture>& pictures)
{
    for (const ReportPicture& picture : drawn) {
        std::string png = encodePng(picture.image);
        if (png.empty()) {
            return std::string("cannot encode the picture ") + picture.file;
        }
        pictures.push_back(HtmlPicture{picture.title, std::move(png)});
    }
    return {};
}

}  // namespace

std::string renderReportPictures(const GNSSLog& analysis, std::vector<HtmlPicture>& pictures)
{
    std::vector<ReportPicture> drawn;
    if (std::string problem =
            drawReportPictures(analysis, ErrorPlotPictureWidth, ErrorPlotPictureHeight, drawn);
        !problem.empty()) {
        return problem;
    }
    return encodeAll(drawn, pictures);
}

std::string renderRequestedWindowPictures(const GNSSLog& analysis, std::vector<HtmlPicture>& pictures)
{
    std::vector<ReportPicture> drawn;
    if (std::string problem = drawRequestedWindowPictures(analysis, drawn); !problem.empty()) {
        return problem;
    }
    return encodeAll(drawn, pictures);
}

std::string writeHtmlReport(const std::string& path, const HtmlReportContent& content)
{
    return writeRenderedPage(path, [&content] { return renderHtmlReport(content); });
}

std::string writeRenderedPage(const std::string& path, const std::function<std::string()>& render)
{
    try {
        const std::string html = render();
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        if (!out) {
            return "cannot write '" + path + "'";
        }
        out.write(html.data(), static_cast<std::streamsize>(html.size()));
        out.close();
        if (!out) {
            return "cannot write '" + path + "'";
        }
    } catch (const std::exception& exception) {
        return "writing '" + path + "' failed: " + exception.what();
    }
    return {};
}

std::string writeAnalysisHtml(const std::string& path, const std::string& logFile,
                              const GNSSLog& analysis, const std::vector<std::string>& summaryLines,
                              const Statistics& statistics, const SessionAnalysis& sessions,
                              const TrackSource* track, const IntegrityOptions* protection)
{
    HtmlReportContent content;
    content.title = std::filesystem::path(logFile).filename().string();
    content.summaryLines = summaryLines;
    content.statistics = &statistics;
    content.dataQuality = &analysis.dataQuality;
    content.gridFrame = gridFrameDescription(analysis);
    if (analysis.truthUndefined()) {
        content.truthWarning = kAveragedTruthUndefined;
    }
    std::string failure = renderReportPictures(analysis, content.pictures);
    if (failure.empty()) {
        failure = renderRequestedWindowPictures(analysis, content.pictures);
    }
    if (failure.empty()) {
        std::vector<ReportPicture> drawn;
        failure = drawSessionPictures(analysis, sessions, drawn);
        if (failure.empty() && track != nullptr) {
            failure = drawTrackPicture(*track, drawn);
        }
        if (failure.empty()) {
            failure = drawHonestyPictures(analysis, protection, drawn);
        }
        if (failure.empty()) {
            failure = encodeAll(drawn, content.pictures);
        }
    }
    if (failure.empty()) {
        failure = writeHtmlReport(path, content);
    }
    return failure;
}

}  // namespace gnsslog
