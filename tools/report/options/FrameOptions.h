// The grid options of gnsslog-report: --frame names the grid, and
// --manual-geodetic gives the manual truth as latitude, longitude and
// height, converted into that grid.
#pragma once

#include <string>

#include "log/formats/InputFormat.h"
#include "tools/report/options/ReportOptions.h"

namespace gnsslog {

// What the analysis is given besides the other options.
struct FrameSettings {
    DecodeOptions decode;
    double manual[3] = {0, 0, 0};  // grid x, y and height of the manual truth, metres
};

// Fills settings from options and returns ""; or returns an error text
// naming the bad value (an EPSG code PROJ does not know, a system that is
// not projected, a geodetic truth the grid cannot place) and leaves
// settings alone.
std::string resolveFrameSettings(const ReportOptions& options, FrameSettings& settings);

}  // namespace gnsslog
