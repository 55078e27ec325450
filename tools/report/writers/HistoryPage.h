// The monitoring history's trend picture and its HTML page: the picture,
// then the days' and the slices' tables. Like the other pages it loads
// nothing and is well-formed XHTML.
#pragma once

#include <string>
#include <vector>

#include <QImage>

#include "compare/ComparisonTable.h"
#include "history/HistoryTrend.h"

namespace gnsslog {

// The PNG file name of the trend picture in the --png folder.
inline constexpr const char* kHistoryTrendPng = "history-trend.png";

// The trend picture of the days; needs a QGuiApplication (ensureGuiApplication).
QImage drawHistoryTrend(const std::vector<HistoryDay>& days);

std::string renderHistoryHtml(const std::string& file, const std::string& png,
                              const TextTable& days, const TextTable& slices);

// Writes the page to path; an empty string on success, else a message
// naming the file. Does not throw.
std::string writeHistoryHtml(const std::string& path, const std::string& file, const std::string& png,
                             const TextTable& days, const TextTable& slices);

}  // namespace gnsslog
