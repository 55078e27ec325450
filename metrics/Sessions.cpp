#include "metrics/Sessions.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "metrics/Percentiles.h"
#include "metrics/Share.h"

namespace gnsslog {

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

bool hasPosition(const GNSSRecord& r) noexcept { return r.fixType != FixType::NoPosition; }

// A restart marked at record i (> 0) came after record i - 1: the session
// starts one interval after that record, or at record i when sooner. A
// receiver that writes nothing until its first position still counts its
// start-up from the restart.
SessionStart restartStart(std::span<const GNSSRecord> records, std::size_t i, double interval)
{
    const double after = records[i - 1].time + interval;
    return {i, after < records[i].time ? after : records[i].time};  // NaN: record i's time
}

// The gap rule, one record at a time. An outage is the stretch after the
// last record with a position of the current session; it is judged when
// the next record with a position arrives, or at the log's end.
class GapCutter {
public:
    GapCutter(std::span<const GNSSRecord> records, double gap, double interval)
        : records_(records), gap_(gap), interval_(interval)
    {
        starts_.push_back({0, records.front().time});
        if (hasPosition(records.front())) {
            lastPositioned_ = 0;
        }
    }

    // A marked restart at record i: the pending outage stays with the
    // session it ends.
    void restartAt(std::size_t i)
    {
        starts_.push_back(restartStart(records_, i, interval_));
        lastPositioned_ = hasPosition(records_[i]) ? i : kNone;
        longStep_ = false;
    }

    void add(std::size_t i)
    {
        // NaN steps compare false and so count as long ones.
        if (!(std::fabs(records_[i].time - records_[i - 1].time) <= gap_)) {
            longStep_ = true;
        }
        if (hasPosition(records_[i])) {
            judgeOutage(i, records_[i].time);
            lastPositioned_ = i;
            longStep_ = false;
        }
    }

    std::vector<SessionStart> finish() &&
    {
        const std::size_t n = records_.size();
        judgeOutage(n, records_[n - 1].time + interval_);
        return std::move(starts_);
    }

private:
    // The outage ends at record `next` (the log's size at the end) and time `end`.
    void judgeOutage(std::size_t next, double end)
    {
        if (lastPositioned_ == kNone) {
            return;  // still the session's own start-up
        }
        const std::size_t first = lastPositioned_ + 1;
        if (first == next && !longStep_) {
            return;
        }
        if (first == records_.size()) {
            return;  // the log ends with a position
        }
        const double start =
            std::min(records_[lastPositioned_].time + interval_, records_[first].time);
        if (longStep_ || end - start >= gap_) {
            starts_.push_back({first, start});
            lastPositioned_ = kNone;
        }
    }

    std::span<const GNSSRecord> records_;
    double gap_;
    double interval_;
    std::vector<SessionStart> starts_;
    std::size_t lastPositioned_ = kNone;  // in the current session
    bool longStep_ = false;               // a long step since lastPositioned_
};

std::vector<SessionStart> startsAtMarkers(std::span<const GNSSRecord> records,
                                          std::span<const std::size_t> restarts, double interval)
{
    std::vector<SessionStart> starts{{0, records.front().time}};
    for (const std::size_t i : restarts) {
        if (i > starts.back().firstIndex && i < records.size()) {
            starts.push_back(restartStart(records, i, interval));
        }
    }
    return starts;
}

std::vector<SessionStart> startsByClock(std::span<const GNSSRecord> records, double window)
{
    std::vector<SessionStart> starts;
    const double t0 = records.front().time;
    double current = std::numeric_limits<double>::quiet_NaN();
    for (std::size_t i = 0; i < records.size(); ++i) {
        const double k = std::floor((records[i].time - t0) / window);
        if (!(k == current)) {
            starts.push_back({i, t0 + k * window});
            current = k;
        }
    }
    return starts;
}

// The first-fix and convergence bookkeeping of one session.
struct SessionMeasure {
    Session& s;
    const TruthPoint& truth;
    const SessionOptions& options;
    std::vector<double> fixedHorizontal;
    double convergingSince = std::numeric_limits<double>::quiet_NaN();
    std::size_t fixedCount = 0;

    void add(const GNSSRecord& r)
    {
        const double t = r.time - s.startTime;
        const EpochErrors e = epochErrorsOf(r, truth);
        if (!s.timeToFirstPosition && hasPosition(r)) {
            s.timeToFirstPosition = t;
        }
        const bool fixed = r.fixType == FixType::RtkFixed;
        if (!s.timeToFirstFloat && (fixed || r.fixType == FixType::RtkFloat)) {
            s.timeToFirstFloat = t;
        }
        if (fixed) {
            ++fixedCount;
            if (!s.timeToFirstFixed) {
                firstFix(t, e);
            }
            if (e.haveHorizontal) {
                fixedHorizontal.push_back(e.horizontal);
            }
        }
        converge(r, e);
    }

    void firstFix(double t, const EpochErrors& e)
    {
        s.timeToFirstFixed = t;
        if (e.haveXY) {
            s.firstFixHorizontal = e.horizontal;
        }
        if (e.haveZ) {
            s.firstFixVertical = e.vertical;
        }
        // As WrongFixes: strictly beyond the threshold.
        const double limit = options.wrongFixThreshold;
        s.firstFixWrong = (e.haveXY && e.horizontal > limit) || (e.haveZ && e.vertical > limit);
    }

    void converge(const GNSSRecord& r, const EpochErrors& e)
    {
        if (s.timeToConverged) {
            return;
        }
        if (!(e.haveHorizontal && e.horizontal < options.convergedMetres)) {
            convergingSince = std::numeric_limits<double>::quiet_NaN();
            return;
        }
        if (std::isnan(convergingSince)) {
            convergingSince = r.time;
        }
        if (r.time - convergingSince >= options.convergedForSeconds) {
            s.timeToConverged = convergingSince - s.startTime;
        }
    }
};

}  // namespace

double nominalEpochInterval(std::span<const GNSSRecord> records)
{
    std::vector<double> steps;
    steps.reserve(records.size());
    for (std::size_t i = 1; i < records.size(); ++i) {
        const double step = records[i].time - records[i - 1].time;
        if (step > 0 && std::isfinite(step)) {
            steps.push_back(step);
        }
    }
    if (steps.empty()) {
        return 0;
    }
    const int percents[] = {50};
    double median = 0;
    nearestRankPercentiles(steps, percents, std::span<double>(&median, 1));
    return median;
}

std::vector<SessionStart> findSessionStarts(std::span<const GNSSRecord> records,
                                            const SessionOptions& options, double nominalInterval,
                                            std::span<const std::size_t> restarts)
{
    if (records.empty()) {
        return {};
    }
    switch (options.cutting) {
    case SessionCutting::Every:
        if (options.everySeconds > 0 && std::isfinite(options.everySeconds)) {
            return startsByClock(records, options.everySeconds);
        }
        return {{0, records.front().time}};
    case SessionCutting::Markers: return startsAtMarkers(records, restarts, nominalInterval);
    case SessionCutting::Gaps: break;
    }
    GapCutter cutter(records, options.gapSeconds, nominalInterval);
    std::size_t nextRestart = 0;  // into restarts
    for (std::size_t i = 1; i < records.size(); ++i) {
        bool restart = false;
        while (nextRestart < restarts.size() && restarts[nextRestart] <= i) {
            restart = restart || restarts[nextRestart] == i;
            ++nextRestart;
        }
        if (restart) {
            cutter.restartAt(i);
        } else {
            cutter.add(i);
        }
    }
    return std::move(cutter).finish();
}

std::vector<Session> measureSessions(std::span<const GNSSRecord> records,
                                     std::span<const SessionStart> starts, const TruthPoint& truth,
                                     const SessionOptions& options)
{
    std::vector<Session> sessions;
    sessions.reserve(starts.size());
    for (std::size_t k = 0; k < starts.size(); ++k) {
        const std::size_t first = starts[k].firstIndex;
        const std::size_t end = k + 1 < starts.size() ? starts[k + 1].firstIndex : records.size();
        Session& s = sessions.emplace_back();
        s.firstIndex = first;
        s.recordCount = end - first;
        s.startTime = starts[k].startTime;
        s.endTime = records[end - 1].time;
        SessionMeasure measure{s, truth, options, {}};
        for (std::size_t i = first; i < end; ++i) {
            measure.add(records[i]);
        }
        s.fixedShare = shareOf(static_cast<std::int64_t>(measure.fixedCount),
                               static_cast<std::int64_t>(s.recordCount));
        if (!measure.fixedHorizontal.empty()) {
            const int percents[] = {95};
            double h95 = 0;
            nearestRankPercentiles(measure.fixedHorizontal, percents, std::span<double>(&h95, 1));
            s.horizontal95 = h95;
        }
    }
    return sessions;
}

}  // namespace gnsslog
