// The grid options of gnsslog-report: --frame names the grid, and
// --manual-geodetic gives the manual truth as latitude, longitude and
// height, converted into that grid.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "log/Gpslog.h"
#include "log/formats/InputFormat.h"
#include "tools/report/ReportOptions.h"

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

// {"name": "enu", "description": ..., "epsg": N (projected only),
//  "origin": {latitude, longitude, height} (enu only)}
nlohmann::ordered_json frameJson(const GNSSLog& log);

}  // namespace gnsslog
