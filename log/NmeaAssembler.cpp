#include "log/NmeaAssembler.h"

#include <cmath>

namespace gnsslog {

namespace {

constexpr double kDaySeconds = 86400.0;
constexpr double kHalfDaySeconds = kDaySeconds / 2;
// NMEA times are written to the centisecond at most: times of day closer
// than this are the same epoch's.
constexpr double kSameTimeSeconds = 0.001;

// Whether two times of day are the same epoch's; a leap second (86400 s)
// is the next day's midnight, as a date sentence's time reads it.
bool sameTimeOfDay(double a, double b) noexcept
{
    const double apart = std::fabs(a - b);
    return apart < kSameTimeSeconds || std::fabs(apart - kDaySeconds) < kSameTimeSeconds;
}

}  // namespace

void NmeaAssembler::add(const GNSSRecord& frame, RecordSink& sink)
{
    if (frame.valid == 0) {
        return;
    }
    switch (frame.framePart) {
    case FramePart::Solution: addSolution(frame, sink); break;
    case FramePart::ErrorEstimate: addEstimate(frame, sink); break;
    case FramePart::Date: addDate(frame, sink); break;
    case FramePart::Satellites: addSatellites(frame); break;
    default: break;
    }
}

void NmeaAssembler::finish(RecordSink& sink)
{
    emit(sink);
    hasEstimate_ = false;
    hasHeldSatellites_ = false;
}

void NmeaAssembler::addSolution(const GNSSRecord& frame, RecordSink& sink)
{
    emit(sink);
    solution_ = frame;
    hasSolution_ = true;
    lastTime_ = frame.time;
    lastTimeKnown_ = true;
    if (hasEstimate_ && estimateTime_ == frame.time && !solution_.has(ValidFlag::ErrorEstimate)) {
        solution_.errorEstimate = estimate_;
        solution_.validFlags |= ValidFlag::ErrorEstimate;
    }
    hasEstimate_ = false;
    if (hasHeldSatellites_ && (!heldTimeKnown_ || sameTimeOfDay(heldTime_, frame.time))) {
        solution_.gpsSatellites = heldGps_;
        solution_.glonassSatellites = heldGlonass_;
    }
    hasHeldSatellites_ = false;
}

void NmeaAssembler::addEstimate(const GNSSRecord& frame, RecordSink& sink)
{
    lastTime_ = frame.time;
    lastTimeKnown_ = true;
    if (hasSolution_ && solution_.time == frame.time) {
        // A solution with an estimate of its own (LLQ, ORP) keeps it.
        if (!solution_.has(ValidFlag::ErrorEstimate)) {
            solution_.errorEstimate = frame.errorEstimate;
            solution_.validFlags |= ValidFlag::ErrorEstimate;
        }
        return;
    }
    // The GST of the next epoch, ahead of its position sentence.
    emit(sink);
    estimate_ = frame.errorEstimate;
    estimateTime_ = frame.time;
    hasEstimate_ = true;
}

void NmeaAssembler::addDate(const GNSSRecord& frame, RecordSink& sink)
{
    // The day and time of day of the date sentence; a leap second
    // (23:59:60) reads as the next day's midnight, which it equals.
    const double days = std::floor(frame.time / kDaySeconds);
    const double timeOfDay = frame.time - days * kDaySeconds;
    // A date of another epoch ends the pending one, which keeps the date
    // it had.
    if (hasSolution_ && !sameTimeOfDay(solution_.time, timeOfDay)) {
        emit(sink);
    }
    lastTime_ = timeOfDay;
    lastTimeKnown_ = true;
    anchorDay_ = static_cast<std::int64_t>(days);
    anchorTimeOfDay_ = timeOfDay;
    dated_ = true;
}

void NmeaAssembler::addSatellites(const GNSSRecord& frame) noexcept
{
    // One GSA per system: the epoch's counts add up.
    if (hasSolution_) {
        solution_.gpsSatellites += frame.gpsSatellites;
        solution_.glonassSatellites += frame.glonassSatellites;
        return;
    }
    if (hasHeldSatellites_ &&
        (heldTimeKnown_ != lastTimeKnown_ || !sameTimeOfDay(heldTime_, lastTime_))) {
        hasHeldSatellites_ = false;  // left over from an epoch without a position
    }
    if (!hasHeldSatellites_) {
        heldGps_ = 0;
        heldGlonass_ = 0;
        heldTime_ = lastTime_;
        heldTimeKnown_ = lastTimeKnown_;
        hasHeldSatellites_ = true;
    }
    heldGps_ += frame.gpsSatellites;
    heldGlonass_ += frame.glonassSatellites;
}

void NmeaAssembler::emit(RecordSink& sink)
{
    if (!hasSolution_) {
        return;
    }
    hasSolution_ = false;
    date(solution_);
    sink.take(solution_);
}

void NmeaAssembler::date(GNSSRecord& record) noexcept
{
    if (!dated_) {
        return;
    }
    std::int64_t day = anchorDay_;
    const double step = record.time - anchorTimeOfDay_;
    if (step > kHalfDaySeconds) {
        --day;
    } else if (step < -kHalfDaySeconds) {
        ++day;
    }
    anchorDay_ = day;
    anchorTimeOfDay_ = record.time;
    if (!hasFirstDay_) {
        firstDay_ = day;
        hasFirstDay_ = true;
    }
    record.time += static_cast<double>(day - firstDay_) * kDaySeconds;
    record.validFlags |= ValidFlag::DatedTime;
}

}  // namespace gnsslog
