#include "tools/report/writers/ComparisonHtml.h"

#include "tools/report/writers/HtmlReport.h"

namespace gnsslog {

namespace {

// No child combinators or other characters that XML would need escaped
// inside <style>. Pictures are shown smaller so a log's row stays short.
constexpr std::string_view kStyle =
    "body{font-family:sans-serif;margin:1.5em;color:#222}"
    "table{border-collapse:collapse;margin:0.5em 0 1.5em 0}"
    "th,td{border:1px solid #bbb;padding:0.2em 0.6em;text-align:right;vertical-align:top}"
    "th{background:#eee}"
    "td:first-child,th:first-child{text-align:left;white-space:pre}"
    "td.pass{background:#d8f0d8}"
    "td.fail{background:#f6d0d0}"
    "pre{background:#f6f6f6;padding:0.6em}"
    "figure{display:inline-block;margin:0.3em}"
    "figure img{max-width:400px;height:auto}"
    "figcaption{text-align:center}";

std::string cell(const std::string& text)
{
    if (text == "PASS") {
        return "<td class=\"pass\">PASS</td>";
    }
    if (text == "FAIL") {
        return "<td class=\"fail\">FAIL</td>";
    }
    return "<td>" + escapeHtml(text) + "</td>";
}

}  // namespace

std::string renderComparisonHtml(const std::string& truthLine, const TextTable& table,
                                 const std::vector<ComparedLogPage>& logs)
{
    std::string html =
        "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n<head>\n"
        "<meta charset=\"utf-8\"/>\n";
    html += generatorMeta();
    html += "<title>gnsslog comparison</title>\n<style>";
    html += kStyle;
    html += "</style>\n</head>\n<body>\n<h1>gnsslog comparison</h1>\n";
    html += "<p>" + escapeHtml(truthLine) + "</p>\n<table>\n<tr>";
    for (const std::string& heading : table.header) {
        html += "<th>" + escapeHtml(heading) + "</th>";
    }
    html += "</tr>\n";
    for (const auto& row : table.rows) {
        html += "<tr>";
        for (const std::string& text : row) {
            html += cell(text);
        }
        html += "</tr>\n";
    }
    html += "</table>\n";

    html += "<h2>Pictures</h2>\n<table>\n";
    for (const ComparedLogPage& log : logs) {
        html += "<tr><td>" + escapeHtml(log.name) + "</td><td>";
        for (const HtmlPicture& picture : log.pictures) {
            html += "<figure><img src=\"data:image/png;base64," + base64Encode(picture.png) +
                    "\" alt=\"" + escapeHtml(log.name + ": " + picture.title) + "\"/><figcaption>" +
                    escapeHtml(picture.title) + "</figcaption></figure>";
        }
        html += "</td></tr>\n";
    }
    html += "</table>\n<h2>Summaries</h2>\n";
    for (const ComparedLogPage& log : logs) {
        std::string summary;
        for (const std::string& line : log.summaryLines) {
            summary += line + '\n';
        }
        html += "<h3>" + escapeHtml(log.name) + "</h3>\n<pre>" + escapeHtml(summary) + "</pre>\n";
        if (!log.truthWarning.empty()) {
            html += "<p>" + escapeHtml(log.truthWarning) + "</p>\n";
        }
    }
    html += "</body>\n</html>\n";
    return html;
}

std::string writeComparisonHtml(const std::string& path, const std::string& truthLine,
                                const TextTable& table, const std::vector<ComparedLogPage>& logs)
{
    return writeRenderedPage(path, [&] { return renderComparisonHtml(truthLine, table, logs); });
}

}  // namespace gnsslog
