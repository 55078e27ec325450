// What the history's trend picture draws: one point per calendar day.
// Qt-free, so the history can hand its days over without QtGui.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace gnsslog {

struct TrendDay {
    std::int64_t day = 0;  // days from 1970-01-01
    std::string label;     // "YYYY-MM-DD"
    std::optional<double> horizontal95;  // metres
    std::optional<double> vertical95;    // metres
    std::optional<double> fixShare;      // 0..1
    std::optional<double> availability;  // 0..1
};

}  // namespace gnsslog
