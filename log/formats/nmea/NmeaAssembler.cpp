#include "log/formats/nmea/NmeaAssembler.h"

#include <cmath>

namespace gnsslog {

namespace {

constexpr double kDaySeconds = 86400.0;
constexpr double kHalfDaySeconds = kDaySeconds / 2;
// NMEA times are written to the centisecond at most: times of day closer
// than this are the same epoch's.
constexpr double kSameTimeSeconds = 0.001;

// Bits of SatelliteCounts::systems: the system ID's bit, which PRN ranges
// name as well (GPS 1, GLONASS 2), and one for a GSA that names none.
constexpr std::int32_t kGpsSystem = 1;
constexpr std::int32_t kGlonassSystem = 2;
constexpr std::int32_t kHighestSystemBit = 15;
constexpr std::uint32_t kNoSystem = 1u << (kHighestSystemBit + 1);

// Whether two times of day are the same epoch's; a leap second (86400 s)
// is the next day's midnight, as a date sentence's time reads it.
bool sameTimeOfDay(double a, double b) noexcept
{
    const double apart = std::fabs(a - b);
    return apart < kSameTimeSeconds || std::fabs(apart - kDaySeconds) < kSameTimeSeconds;
}

std::uint32_t systemsOf(const DecodedRecord& gsa) noexcept
{
    const std::int32_t id = gsa.satellites;
    if (id > 0) {
        return 1u << (id < kHighestSystemBit ? id : kHighestSystemBit);
    }
    std::uint32_t systems = 0;
    systems |= gsa.gpsSatellites > 0 ? 1u << kGpsSystem : 0;
    systems |= gsa.glonassSatellites > 0 ? 1u << kGlonassSystem : 0;
    return systems != 0 ? systems : kNoSystem;
}

}  // namespace

bool NmeaAssembler::SatelliteCounts::add(const DecodedRecord& frame) noexcept
{
    const std::uint32_t named = systemsOf(frame);
    if (closed || (systems & named) != 0) {
        closed = true;
        return false;
    }
    systems |= named;
    gps += frame.gpsSatellites;
    glonass += frame.glonassSatellites;
    return true;
}

void NmeaAssembler::add(const DecodedRecord& frame, RecordSink& sink)
{
    // Rejected and unread frames that still tell a date or a restart.
    if (frame.valid == 0) {
        if (frame.framePart == FramePart::Date) {
            addVoidDate(frame, sink);
        } else if (frame.framePart == FramePart::Restart) {
            restart(sink);
        }
        return;
    }
    switch (frame.framePart) {
    case FramePart::Solution:
    case FramePart::OtherSolution: addSolution(frame, sink); break;
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
    hasHeld_ = false;
}

void NmeaAssembler::addSolution(const DecodedRecord& frame, RecordSink& sink)
{
    // The same epoch told by the other position sentence type.
    const bool repeats = hasLastSolution_ && lastSolutionPart_ != frame.framePart &&
                         lastSolutionTime_ == frame.time;
    hasLastSolution_ = true;
    lastSolutionTime_ = frame.time;
    lastSolutionPart_ = frame.framePart;
    lastTime_ = frame.time;
    lastTimeKnown_ = true;
    hasFix_ = frame.fixType != FixType::NoPosition;
    if (repeats) {
        if (frame.framePart == FramePart::Solution && hasSolution_ && solutionFromGns_) {
            takeGgaOverGns(frame);
        }
        return;
    }
    emit(sink);
    solution_ = frame;
    solution_.framePart = FramePart::Solution;
    solutionFromGns_ = frame.framePart == FramePart::OtherSolution;
    hasSolution_ = true;
    solutionCountsSatellites_ = frame.gpsSatellites != 0 || frame.glonassSatellites != 0;
    solutionSatellites_ = SatelliteCounts{};
    if (hasEstimate_ && estimateTime_ == frame.time) {
        if (!solution_.has(ValidFlag::ErrorEstimate)) {
            solution_.errorEstimate = estimate_.errorEstimate;
            solution_.validFlags |= ValidFlag::ErrorEstimate;
        }
        solution_.takeSigmas(estimate_);
    }
    hasEstimate_ = false;
    if (hasHeld_ && !solutionCountsSatellites_ &&
        (!heldTimeKnown_ || sameTimeOfDay(heldTime_, frame.time))) {
        solutionSatellites_ = held_;
        solution_.gpsSatellites = held_.gps;
        solution_.glonassSatellites = held_.glonass;
    }
    hasHeld_ = false;
}

void NmeaAssembler::takeGgaOverGns(const DecodedRecord& gga) noexcept
{
    // The GGA's quality and satellites are the receiver's own figures for
    // the epoch; the GNS only keeps what the epoch's GST and GSA gave it.
    DecodedRecord record = gga;
    record.framePart = FramePart::Solution;
    if (!record.has(ValidFlag::ErrorEstimate) && solution_.has(ValidFlag::ErrorEstimate)) {
        record.errorEstimate = solution_.errorEstimate;
        record.validFlags |= ValidFlag::ErrorEstimate;
    }
    record.takeSigmas(solution_);
    record.gpsSatellites = solution_.gpsSatellites;
    record.glonassSatellites = solution_.glonassSatellites;
    solution_ = record;
    solutionFromGns_ = false;
}

void NmeaAssembler::addEstimate(const DecodedRecord& frame, RecordSink& sink)
{
    lastTime_ = frame.time;
    lastTimeKnown_ = true;
    if (hasSolution_ && solution_.time == frame.time) {
        // A solution with an estimate of its own (LLQ, ORP) keeps it.
        if (!solution_.has(ValidFlag::ErrorEstimate)) {
            solution_.errorEstimate = frame.errorEstimate;
            solution_.validFlags |= ValidFlag::ErrorEstimate;
        }
        solution_.takeSigmas(frame);
        return;
    }
    // The GST of the next epoch, ahead of its position sentence.
    emit(sink);
    estimate_ = frame;
    estimateTime_ = frame.time;
    hasEstimate_ = true;
}

void NmeaAssembler::addDate(const DecodedRecord& frame, RecordSink& sink)
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
    // A ZDA does not say whether the receiver has a fix; without one its
    // clock may be anything.
    if (frame.fixType == FixType::NoPosition && !hasFix_) {
        return;
    }
    // Once dated, a date may only change where the time of day passes
    // midnight.
    const auto day = static_cast<std::int64_t>(days);
    if (dated_ && day != dayAfterAnchor(timeOfDay)) {
        sink.ignoreDate();
        return;
    }
    anchorDay_ = day;
    anchorTimeOfDay_ = timeOfDay;
    dated_ = true;
    coldStartArmed_ = true;
}

void NmeaAssembler::addVoidDate(const DecodedRecord& frame, RecordSink& sink)
{
    if (!coldStartArmed_ || !dated_) {
        return;
    }
    const double days = std::floor(frame.time / kDaySeconds);
    const double timeOfDay = frame.time - days * kDaySeconds;
    if (!(static_cast<std::int64_t>(days) < dayAfterAnchor(timeOfDay))) {
        return;
    }
    // The pending epoch is the restart's own when it has the RMC's time.
    if (hasSolution_ && !sameTimeOfDay(solution_.time, timeOfDay)) {
        emit(sink);
    }
    sink.markRestart();
    coldStartArmed_ = false;
}

void NmeaAssembler::restart(RecordSink& sink)
{
    // The banner follows the last epoch before the restart.
    emit(sink);
    sink.markRestart();
    coldStartArmed_ = false;
}

void NmeaAssembler::addSatellites(const DecodedRecord& frame) noexcept
{
    // One GSA per system: the epoch's counts add up, unless the position
    // sentence counted its satellites itself (ORP).
    if (hasSolution_) {
        if (!solutionCountsSatellites_ && solutionSatellites_.add(frame)) {
            solution_.gpsSatellites = solutionSatellites_.gps;
            solution_.glonassSatellites = solutionSatellites_.glonass;
        }
        return;
    }
    // Counts waiting for their position sentence start again when they
    // are left over from an epoch without one.
    if (hasHeld_ && (heldTimeKnown_ != lastTimeKnown_ || !sameTimeOfDay(heldTime_, lastTime_) ||
                     (held_.systems & systemsOf(frame)) != 0)) {
        hasHeld_ = false;
    }
    if (!hasHeld_) {
        held_ = SatelliteCounts{};
        heldTime_ = lastTime_;
        heldTimeKnown_ = lastTimeKnown_;
        hasHeld_ = true;
    }
    held_.add(frame);
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

std::int64_t NmeaAssembler::dayAfterAnchor(double timeOfDay) const noexcept
{
    const double step = timeOfDay - anchorTimeOfDay_;
    if (step > kHalfDaySeconds) {
        return anchorDay_ - 1;
    }
    if (step < -kHalfDaySeconds) {
        return anchorDay_ + 1;
    }
    return anchorDay_;
}

void NmeaAssembler::date(DecodedRecord& record) noexcept
{
    if (!dated_) {
        return;
    }
    const std::int64_t day = dayAfterAnchor(record.time);
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
