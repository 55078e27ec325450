#include "plots/series/SessionTable.h"

#include <cmath>

#include "common/FormatNumber.h"

namespace gnsslog {

namespace {

constexpr int kSecondDecimals = 1;  // tenths: the epoch of a 10 Hz receiver
constexpr int kMetreDecimals = 3;   // millimetres
constexpr int kPercentDecimals = 1;
constexpr int kLimitDigits = 6;     // a fixed-within limit as it was given

std::string seconds(const std::optional<double>& value)
{
    return value && std::isfinite(*value) ? formatFixed(*value, kSecondDecimals) : "-";
}

std::string metres(const std::optional<double>& value)
{
    return value && std::isfinite(*value) ? formatFixed(*value, kMetreDecimals) : "-";
}

std::string percent(double share) { return formatFixed(share * 100.0, kPercentDecimals) + " %"; }

std::string timeLine(const char* event, const SessionTimeFigures& f)
{
    return std::string("Time to ") + event + ": median " + seconds(f.median) + " s, 95 % " +
           seconds(f.p95) + " s, reached in " + formatInt(static_cast<std::int64_t>(f.reached)) +
           (f.reached == 1 ? " session" : " sessions");
}

}  // namespace

std::vector<std::string> sessionTableHeader()
{
    return {"session",   "start (s)",       "position (s)",    "float (s)",
            "fix (s)",   "first fix H (m)", "wrong first fix", "converged (s)",
            "fixed",     "H95 (m)"};
}

std::vector<std::vector<std::string>> sessionRows(const SessionAnalysis& analysis)
{
    std::vector<std::vector<std::string>> rows;
    rows.reserve(analysis.sessions.size());
    std::int64_t number = 0;
    for (const Session& s : analysis.sessions) {
        rows.push_back({formatInt(++number), seconds(s.startTime), seconds(s.timeToFirstPosition),
                        seconds(s.timeToFirstFloat), seconds(s.timeToFirstFixed),
                        metres(s.firstFixHorizontal),
                        s.firstFixJudged() ? (s.firstFixWrong ? "yes" : "no") : "-",
                        seconds(s.timeToConverged), percent(s.fixedShare), metres(s.horizontal95)});
    }
    return rows;
}

std::vector<std::string> sessionSummaryLines(const SessionSummary& s, double wrongFixThreshold)
{
    std::vector<std::string> lines;
    lines.push_back(formatInt(static_cast<std::int64_t>(s.count)) + (s.count == 1 ? " session" : " sessions") +
                    ", never fixed " + formatInt(static_cast<std::int64_t>(s.neverFixed)));
    lines.push_back(timeLine("first position", s.firstPosition));
    lines.push_back(timeLine("first float", s.firstFloat));
    lines.push_back(timeLine("first fix", s.firstFixed));
    lines.push_back(timeLine("converged", s.converged));
    if (!s.fixedWithin.empty()) {
        std::string line = "Fixed within";
        for (std::size_t i = 0; i < s.fixedWithin.size(); ++i) {
            line += (i == 0 ? " " : ", ") + formatGeneral(s.fixedWithin[i].limitSeconds, kLimitDigits) +
                    " s: " + (s.count > 0 ? percent(s.fixedWithin[i].share) : "-");
        }
        lines.push_back(std::move(line));
    }
    std::string wrong = "Wrong first fixes (error > " + formatFixed(wrongFixThreshold, kMetreDecimals) +
                        " m): " + formatInt(static_cast<std::int64_t>(s.wrongFirstFixes)) + " of " +
                        formatInt(static_cast<std::int64_t>(s.judgedFirstFixes));
    if (s.judgedFirstFixes > 0) {
        wrong += " (" + percent(s.wrongFirstFixShare) + ", 95 % interval " +
                 percent(s.wrongFirstFixInterval.lower) + " .. " + percent(s.wrongFirstFixInterval.upper) + ")";
    }
    lines.push_back(std::move(wrong));
    return lines;
}

}  // namespace gnsslog
