#include "tools/report/writers/HistoryPage.h"

#include "plots/draw/HistoryTrendPainter.h"
#include "tools/report/writers/HtmlReport.h"

namespace gnsslog {

namespace {

std::string tableHtml(const TextTable& table)
{
    std::string html = "<table>\n<tr>";
    for (const std::string& heading : table.header) {
        html += "<th>" + escapeHtml(heading) + "</th>";
    }
    html += "</tr>\n";
    for (const auto& row : table.rows) {
        html += "<tr>";
        for (const std::string& text : row) {
            const char* kind = text == "PASS" ? " class=\"pass\"" : text == "FAIL" ? " class=\"fail\"" : "";
            html += std::string("<td") + kind + ">" + escapeHtml(text) + "</td>";
        }
        html += "</tr>\n";
    }
    return html + "</table>\n";
}

std::string pageOf(const std::string& file, const std::string& png, const TextTable& days,
                        const TextTable& slices)
{
    std::string html =
        "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n<head>\n"
        "<meta charset=\"utf-8\"/>\n";
    html += generatorMeta();
    html += "<title>gnsslog history</title>\n<style>"
            "body{font-family:sans-serif;margin:1.5em;color:#222}"
            "table{border-collapse:collapse;margin:0.5em 0 1.5em 0}"
            "th,td{border:1px solid #bbb;padding:0.2em 0.6em;text-align:right}"
            "th{background:#eee}td.pass{background:#d8f0d8}td.fail{background:#f6d0d0}"
            "</style>\n</head>\n<body>\n<h1>gnsslog history</h1>\n";
    html += "<p>" + escapeHtml(file) + "</p>\n<h2>Trend per day</h2>\n";
    html += "<figure><img src=\"data:image/png;base64," + base64Encode(png) +
            "\" alt=\"H95, V95, RTK-fixed share and availability per day\"/></figure>\n";
    html += tableHtml(days) + "<h2>Slices</h2>\n" + tableHtml(slices);
    return html + "</body>\n</html>\n";
}

}  // namespace

QImage drawHistoryTrend(const std::vector<HistoryDay>& days)
{
    QImage image(kHistoryTrendWidth, kHistoryTrendHeight, QImage::Format_RGB32);
    const std::vector<TrendDay> trend = trendDaysOf(days);
    paintHistoryTrend(image, trend);
    return image;
}

std::string renderHistoryHtml(const std::string& file, const std::string& png,
                              const TextTable& days, const TextTable& slices)
{
    return pageOf(file, png, days, slices);
}

std::string writeHistoryHtml(const std::string& path, const std::string& file, const std::string& png,
                             const TextTable& days, const TextTable& slices)
{
    return writeRenderedPage(path, [&] { return pageOf(file, png, days, slices); });
}

}  // namespace gnsslog
