#include "stats/WrongFixes.h"

#include <algorithm>
#include <cmath>

#include "log/Gpslog.h"

namespace gnsslog {

WrongFixes findWrongFixes(std::span<const GNSSRecord> records, double tx, double ty, double tz,
                          double threshold)
{
    WrongFixes wf;
    wf.threshold = threshold;
    bool inSpan = false;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const GNSSRecord& r = records[i];
        const bool haveXY = r.has(ValidFlag::Grid);
        const bool haveZ = r.has(ValidFlag::Height);
        if (r.fixType != FixType::RtkFixed || !(haveXY || haveZ)) {
            inSpan = false;
            continue;
        }
        ++wf.fixedEpochs;
        double horizontal = 0;
        double vertical = 0;
        if (haveXY) {
            const double dx = r.localX - tx;
            const double dy = r.localY - ty;
            horizontal = std::sqrt(dx * dx + dy * dy);
        }
        if (haveZ) {
            vertical = std::fabs(r.height - tz);
        }
        // A NaN error compares false and so is not counted as wrong: it
        // says nothing about where the receiver was.
        const bool wrong = (haveXY && horizontal > threshold) || (haveZ && vertical > threshold);
        if (!wrong) {
            inSpan = false;
            continue;
        }
        ++wf.wrongEpochs;
        if (!inSpan) {
            WrongFixSpan s;
            s.firstIndex = i;
            s.startTime = r.time;
            wf.spans.push_back(s);
            inSpan = true;
        }
        WrongFixSpan& s = wf.spans.back();
        ++s.epochCount;
        s.endTime = r.time;
        if (haveXY && horizontal > s.maxHorizontal) {
            s.maxHorizontal = horizontal;
        }
        if (haveZ && vertical > s.maxVertical) {
            s.maxVertical = vertical;
        }
    }
    if (wf.fixedEpochs > 0) {
        wf.share = static_cast<double>(wf.wrongEpochs) / static_cast<double>(wf.fixedEpochs);
    }
    return wf;
}

WrongFixes findWrongFixes(const GNSSLog& log, double threshold)
{
    return findWrongFixes(log.records, log.truthX(), log.truthY(), log.truthZ(), threshold);
}

}  // namespace gnsslog
