#include "metrics/SessionSummary.h"

#include <algorithm>
#include <cmath>

#include "metrics/Percentiles.h"
#include "metrics/Share.h"

namespace gnsslog {

namespace {

using SessionTime = std::optional<double> Session::*;

SessionTimeFigures timeFigures(std::span<const Session> sessions, SessionTime time)
{
    std::vector<double> reached;
    for (const Session& s : sessions) {
        if (const std::optional<double>& t = s.*time; t && !std::isnan(*t)) {
            reached.push_back(*t);
        }
    }
    std::sort(reached.begin(), reached.end());
    SessionTimeFigures f;
    f.reached = reached.size();
    if (sessions.empty()) {
        return f;
    }
    // Sessions that never got there rank after all the others.
    const std::size_t medianRank = nearestRankIndex(sessions.size(), 50);
    const std::size_t p95Rank = nearestRankIndex(sessions.size(), 95);
    if (medianRank < reached.size()) {
        f.median = reached[medianRank];
    }
    if (p95Rank < reached.size()) {
        f.p95 = reached[p95Rank];
    }
    return f;
}

}  // namespace

SessionSummary summariseSessions(std::span<const Session> sessions,
                                 std::span<const double> fixedWithinSeconds)
{
    SessionSummary summary;
    summary.count = sessions.size();
    summary.firstPosition = timeFigures(sessions, &Session::timeToFirstPosition);
    summary.firstFloat = timeFigures(sessions, &Session::timeToFirstFloat);
    summary.firstFixed = timeFigures(sessions, &Session::timeToFirstFixed);
    summary.converged = timeFigures(sessions, &Session::timeToConverged);
    for (const double limit : fixedWithinSeconds) {
        const auto within = std::count_if(sessions.begin(), sessions.end(), [&](const Session& s) {
            return s.timeToFirstFixed && *s.timeToFirstFixed <= limit;
        });
        summary.fixedWithin.push_back(
            {limit, shareOf(within, static_cast<std::int64_t>(sessions.size()))});
    }
    for (const Session& s : sessions) {
        if (!s.timeToFirstFixed) {
            ++summary.neverFixed;
        } else if (s.firstFixJudged()) {
            ++summary.judgedFirstFixes;
            summary.wrongFirstFixes += s.firstFixWrong ? 1 : 0;
        }
    }
    const auto wrong = static_cast<std::int64_t>(summary.wrongFirstFixes);
    const auto judged = static_cast<std::int64_t>(summary.judgedFirstFixes);
    summary.wrongFirstFixShare = shareOf(wrong, judged);
    summary.wrongFirstFixInterval = wilsonInterval95(wrong, judged);
    return summary;
}

SessionAnalysis analyseSessions(std::span<const GNSSRecord> records, const TruthPoint& truth,
                                const SessionOptions& options,
                                std::span<const std::size_t> restarts)
{
    SessionAnalysis analysis;
    analysis.nominalInterval = nominalEpochInterval(records);
    const std::vector<SessionStart> starts =
        findSessionStarts(records, options, analysis.nominalInterval, restarts);
    analysis.sessions = measureSessions(records, starts, truth, options);
    analysis.summary = summariseSessions(analysis.sessions, options.fixedWithinSeconds);
    return analysis;
}

}  // namespace gnsslog
