// The progress bar a single-log run draws on a terminal's standard error.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace gnsslog {

// One progress-bar line (without "\r" or line end), e.g.
// "Reading file         [#########...........]  45%". A total of 0 or
// less shows an empty bar; the position is clamped to 0..total.
std::string progressBarLine(const char* phase, std::int32_t position, std::int32_t total, int barWidth = 30);

// The pipeline's progress callback: redraws the bar while a ProgressScope
// has one, else does nothing.
void drawProgress(const char* phase, std::int32_t position, std::int32_t total);

// Draws the bar on err while it lives, only when err is std::cerr and
// standard error is a terminal; clears the bar's line when it ends so
// later messages start in column 0. One at a time.
class ProgressScope {
public:
    explicit ProgressScope(std::ostream& err);
    ~ProgressScope();
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;
};

}  // namespace gnsslog
