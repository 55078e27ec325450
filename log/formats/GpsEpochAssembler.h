// Joins the blocks or logs of one epoch for the formats whose decoded
// frames carry the whole GPS time as milliseconds since the start of GPS
// week 0 (SBF, NovAtel): a solution (the first of its time makes the
// record; a second one of the same time, another solution block or the
// same log sent again, even after other frames, is joined to it), its covariance (ErrorEstimate,
// which replaces the solution's own estimate) and its DOP.
//
// An epoch ends when a frame of another time comes; it is a record only
// if it had a solution. Record times are seconds since the start of the
// GPS week of the log's first record: the seconds of the week, running on
// across the week's end (and across any number of weeks) rather than
// starting again.
#pragma once

#include <cmath>

#include "log/GnssRecord.h"
#include "log/formats/InputFormat.h"

namespace gnsslog {

class GpsEpochAssembler final : public RecordAssembler {
public:
    static constexpr double kMillisecondsPerWeek = 604800000.0;
    static constexpr double kSecondsPerMillisecond = 0.001;

    void add(const DecodedRecord& frame, RecordSink& sink) override
    {
        if (frame.valid == 0) {
            return;
        }
        if (open_ && frame.time != epochTime_) {
            finish(sink);
        }
        open_ = true;
        epochTime_ = frame.time;
        switch (frame.framePart) {
        case FramePart::Solution:
            if (!hasSolution_) {
                solution_ = frame;
                hasSolution_ = true;
            }
            break;
        case FramePart::ErrorEstimate:
            errorEstimate_ = frame;
            hasErrorEstimate_ = true;
            break;
        case FramePart::Dop:
            dop_ = frame.dop;
            hasDop_ = true;
            break;
        default: break;
        }
    }

    void finish(RecordSink& sink) override
    {
        // A whole epoch sent again after other frames is still a repeat.
        if (hasSolution_ && !(hasEmitted_ && solution_.time == lastEmitted_)) {
            lastEmitted_ = solution_.time;
            hasEmitted_ = true;
            if (hasErrorEstimate_) {
                // The covariance's sigmas replace the solution's own, as
                // its estimate does.
                solution_.errorEstimate = errorEstimate_.errorEstimate;
                solution_.validFlags |= ValidFlag::ErrorEstimate;
                solution_.takeSigmas(errorEstimate_);
            }
            if (hasDop_) {
                solution_.dop = dop_;
                solution_.validFlags |= ValidFlag::Dop;
            }
            if (!hasWeek_) {
                weekStart_ = std::floor(solution_.time / kMillisecondsPerWeek) * kMillisecondsPerWeek;
                hasWeek_ = true;
            }
            // Whole milliseconds on both sides: the difference is exact, and
            // one rounding remains, as for a time of week read as ms.
            solution_.time = (solution_.time - weekStart_) * kSecondsPerMillisecond;
            solution_.framePart = FramePart::Solution;
            sink.take(solution_);
        }
        open_ = false;
        hasSolution_ = false;
        hasErrorEstimate_ = false;
        hasDop_ = false;
    }

private:
    DecodedRecord solution_;
    double epochTime_ = 0;
    DecodedRecord errorEstimate_;  // the covariance frame
    double dop_ = 0;
    double weekStart_ = 0;
    double lastEmitted_ = 0;  // ms, as decoded
    bool hasEmitted_ = false;
    bool open_ = false;
    bool hasSolution_ = false;
    bool hasErrorEstimate_ = false;
    bool hasDop_ = false;
    bool hasWeek_ = false;
};

}  // namespace gnsslog
