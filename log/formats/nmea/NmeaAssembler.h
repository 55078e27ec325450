// Joins the sentences of one NMEA epoch into its record: the position
// sentence (GGA, LLK, LLQ, ORP, or GNS) takes the error estimate of the
// GST of the same time, whether the GST comes before or after it, and the
// satellites of the GSA sentences that follow it (or that come before it
// after another sentence of its time). An epoch ends when the next
// position sentence, or a GST, RMC or ZDA of another time comes.
//
// A GNS of the same time as a GGA just before it (or the other way round)
// tells the same solution again and makes no record of its own: the GGA
// makes the epoch's record whatever their order. A GSA naming a system
// that the epoch has counted already belongs to an epoch whose position
// sentence is missing: the epoch takes no more GSA.
//
// Dates come from an RMC of status "A", and from a ZDA while the latest
// position sentence has a position. Once dated, a date that is not the day
// the time of day leads to (the date may only change where the time passes
// midnight) is ignored and counted: receivers send garbage dates.
//
// A restart is marked at a start-up banner (TXT), and at an RMC of status
// "V" whose date lies days before the day the time of day leads to after
// a date with a fix: a cold-started receiver's clock begins again at a
// default of its own. Only the first such date after a date with a fix
// marks one; later ones are the same start-up's.
//
// Once an RMC or ZDA has given a date, each record's time counts from
// midnight of the first dated record's day: the day is the one that puts
// the time nearest to the last dated time (a GGA of 00:00:00 written just
// before the RMC that brings the new date belongs to the new day), and a
// step back on the same date stays a step back. Such records carry
// ValidFlag::DatedTime; records before the first date keep their time of
// day.
#pragma once

#include <cstdint>

#include "log/formats/InputFormat.h"

namespace gnsslog {

class NmeaAssembler final : public RecordAssembler {
public:
    void add(const DecodedRecord& frame, RecordSink& sink) override;
    void finish(RecordSink& sink) override;

    // The day the dated records' times count from, in days from
    // 1970-01-01; false before a record has been dated.
    bool firstDay(std::int64_t& day) const noexcept
    {
        day = firstDay_;
        return hasFirstDay_;
    }

private:
    // GSA counts of one epoch and the systems they came from.
    struct SatelliteCounts {
        std::int32_t gps = 0;
        std::int32_t glonass = 0;
        std::uint32_t systems = 0;  // bit per system named
        bool closed = false;        // a system repeated: no more counts
        // Adds frame's counts; false once a system repeats.
        bool add(const DecodedRecord& frame) noexcept;
    };

    void addSolution(const DecodedRecord& frame, RecordSink& sink);
    void addEstimate(const DecodedRecord& frame, RecordSink& sink);
    void addDate(const DecodedRecord& frame, RecordSink& sink);
    // The date of an RMC of status "V" (a rejected frame).
    void addVoidDate(const DecodedRecord& frame, RecordSink& sink);
    void restart(RecordSink& sink);
    // The pending record, made by a GNS, becomes the GGA of its epoch.
    void takeGgaOverGns(const DecodedRecord& gga) noexcept;
    void addSatellites(const DecodedRecord& frame) noexcept;
    void emit(RecordSink& sink);
    void date(DecodedRecord& record) noexcept;
    // The day of a time of day after the latest dated time: the one that
    // puts it nearest.
    std::int64_t dayAfterAnchor(double timeOfDay) const noexcept;

    DecodedRecord solution_;
    bool hasSolution_ = false;
    bool hasFix_ = false;  // the latest position sentence has a position
    bool solutionFromGns_ = false;
    bool solutionCountsSatellites_ = false;  // ORP: its own counts
    SatelliteCounts solutionSatellites_;

    // The last position sentence taken or passed over, to tell a GNS that
    // repeats a GGA.
    bool hasLastSolution_ = false;
    double lastSolutionTime_ = 0;
    std::uint8_t lastSolutionPart_ = 0;

    // A GST that came before its position sentence.
    DecodedRecord estimate_;  // the GST ahead of its epoch's position
    double estimateTime_ = 0;
    bool hasEstimate_ = false;

    // GSA counts that came before any position sentence of their epoch;
    // they go to the next one of heldTime_ (or of any time when no timed
    // sentence came before them).
    SatelliteCounts held_;
    bool hasHeld_ = false;
    double heldTime_ = 0;
    bool heldTimeKnown_ = false;
    double lastTime_ = 0;  // time of day of the last timed sentence
    bool lastTimeKnown_ = false;

    // The latest dated time, as a day since 1970 and a time of day.
    bool dated_ = false;
    std::int64_t anchorDay_ = 0;
    double anchorTimeOfDay_ = 0;
    bool hasFirstDay_ = false;
    std::int64_t firstDay_ = 0;
    // A date with a fix came since the last restart: a void date far back
    // would be a cold start.
    bool coldStartArmed_ = false;
};

}  // namespace gnsslog
