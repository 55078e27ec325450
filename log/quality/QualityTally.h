// Gathering the data-quality figures during an analysis: frame types on
// the reading thread (FrameTypeTally), everything about decoded frames and
// records in file order where the records are collected (RecordQuality).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>

#include "log/quality/DataQuality.h"
#include "log/GnssRecord.h"
#include "log/formats/InputFormat.h"

namespace gnsslog {

class FrameTypeTally {
public:
    void add(std::string_view type);
    // count frames of a type at once (frames the framer checked but did
    // not publish); count 0 adds nothing.
    void add(std::string_view type, std::uint64_t count);
    // Moves the counts into quality.framesByType and quality.frames.
    void moveInto(DataQuality& quality);
    // Copies them, for a log that goes on.
    void copyInto(DataQuality& quality) const;

private:
    // A few characters of a type, for the index below.
    static std::size_t slotOf(std::string_view type) noexcept;

    DataQuality counts_;
    // Index + 1 of a type in counts_.framesByType by slotOf, 0 for none: a
    // log mixes a handful of types, and every frame is counted on the
    // reading thread.
    std::array<std::uint32_t, 64> indexBySlot_{};
};

class RecordQuality {
public:
    void countVerdict(FrameVerdict verdict) noexcept;
    void countChecksumFailures(std::uint64_t count) noexcept { counts_.rejectedChecksum += count; }
    void countTruncatedFrames(std::uint64_t count) noexcept { counts_.truncatedFrames += count; }
    // A kept record whose position the chosen grid could not place.
    void countOffGrid() noexcept { ++counts_.positionsOffGrid; }
    void countIgnoredDate() noexcept { ++counts_.datesIgnored; }
    // A kept record in file order, its time already moved past midnight;
    // wrapped tells whether that took a new day. Records without a
    // position (fixType 0) count for the clock, not for the resolution.
    void addRecord(const GNSSRecord& record, bool wrapped);

    // The counts, median step, gaps, resolution in metres (at the first
    // latitude of the log) and warnings, into quality, which holds no
    // warnings yet. moreChecksumFailures and moreTruncatedFrames are added
    // to the counts first: a framer's, for a log that goes on.
    void finish(DataQuality& quality, std::uint64_t moreChecksumFailures = 0,
                std::uint64_t moreTruncatedFrames = 0) const;

private:
    struct Steps {
        bool hasPrevious = false;
        double previous = 0;
        double smallest = CoordinateResolution::kUnknown;
        void add(double value) noexcept;
    };

    DataQuality counts_;
    std::uint64_t readFrames_ = 0;  // decoded to a record or a part of one
    bool hasTime_ = false;
    double previousTime_ = 0;
    // Forward time steps in whole milliseconds and how often each occurred.
    std::unordered_map<std::int64_t, std::uint64_t> stepCounts_;
    std::int64_t lastStep_ = -1;
    std::uint64_t* lastStepCount_ = nullptr;
    double firstLatitude_ = CoordinateResolution::kUnknown;
    Steps latitude_, longitude_, height_, gridX_, gridY_;
};

}  // namespace gnsslog
