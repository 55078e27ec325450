// Accumulator of the wrong RTK fixes of a log (see metrics/WrongFixes.h):
// judges each fixed epoch as the records pass and grows the spans.
#pragma once

#include <cstddef>
#include <utility>

#include "log/GnssRecord.h"
#include "metrics/EpochErrors.h"
#include "metrics/WrongFixes.h"

namespace gnsslog {

class WrongFixFinder {
public:
    explicit WrongFixFinder(double threshold) { result_.threshold = threshold; }

    // Records in order, index from 0 up.
    void add(std::size_t index, const GNSSRecord& r, const EpochErrors& e)
    {
        if (r.fixType != FixType::RtkFixed || !(e.grid || e.height)) {
            inSpan_ = false;
            return;
        }
        ++result_.fixedEpochs;
        // A NaN error compares false and so is not counted as wrong: it
        // says nothing about where the receiver was.
        const bool wrong = (e.grid && e.horizontal > result_.threshold) ||
                           (e.height && e.vertical > result_.threshold);
        if (!wrong) {
            inSpan_ = false;
            return;
        }
        ++result_.wrongEpochs;
        if (!inSpan_) {
            WrongFixSpan s;
            s.firstIndex = index;
            s.startTime = r.time;
            result_.spans.push_back(s);
            inSpan_ = true;
        }
        WrongFixSpan& s = result_.spans.back();
        ++s.epochCount;
        s.endTime = r.time;
        if (e.grid && e.horizontal > s.maxHorizontal) {
            s.maxHorizontal = e.horizontal;
        }
        if (e.height && e.vertical > s.maxVertical) {
            s.maxVertical = e.vertical;
        }
    }

    WrongFixes finish() &&
    {
        if (result_.fixedEpochs > 0) {
            result_.share = static_cast<double>(result_.wrongEpochs) /
                            static_cast<double>(result_.fixedEpochs);
        }
        return std::move(result_);
    }

private:
    WrongFixes result_;
    bool inSpan_ = false;
};

}  // namespace gnsslog
