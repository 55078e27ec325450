#include "tools/report/runs/ReportProgress.h"

#include <unistd.h>

#include <iostream>
#include <string_view>

#include "common/FormatNumber.h"

namespace gnsslog {

namespace {

// The pipeline takes a plain function pointer, so the bar's target lives
// in a static. Only one analysis runs at a time in this tool.
std::ostream* progressStream = nullptr;
std::string lastProgressLine;

}  // namespace

std::string progressBarLine(const char* phase, std::int32_t position, std::int32_t total, int barWidth)
{
    if (barWidth < 1) {
        barWidth = 1;
    }
    std::int64_t done = 0;
    int percent = 0;
    if (total > 0) {
        const std::int64_t clamped = position < 0 ? 0 : position > total ? total : position;
        done = clamped * barWidth / total;
        percent = static_cast<int>(clamped * 100 / total);
    }
    constexpr std::size_t kPhaseWidth = 20;  // characters; longer phase names are cut
    const std::string_view name = phase != nullptr ? phase : "";
    std::string line = alignLeft(name.substr(0, kPhaseWidth), kPhaseWidth) + " [";
    line.append(static_cast<std::size_t>(done), '#');
    line.append(static_cast<std::size_t>(barWidth - done), '.');
    return line + "] " + alignRight(formatInt(percent), 3) + '%';
}

void drawProgress(const char* phase, std::int32_t position, std::int32_t total)
{
    if (progressStream == nullptr) {
        return;
    }
    std::string line = progressBarLine(phase, position, total);
    if (line == lastProgressLine) {
        return;
    }
    lastProgressLine = line;
    *progressStream << '\r' << line << std::flush;
}

ProgressScope::ProgressScope(std::ostream& err)
{
    if (&err == &std::cerr && isatty(STDERR_FILENO) == 1) {
        progressStream = &err;
    }
}

ProgressScope::~ProgressScope()
{
    if (progressStream != nullptr && !lastProgressLine.empty()) {
        *progressStream << '\r' << std::string(lastProgressLine.size(), ' ') << '\r' << std::flush;
    }
    progressStream = nullptr;
    lastProgressLine.clear();
}

}  // namespace gnsslog
