#include "log/quality/QualityTally.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "common/FormatNumber.h"


namespace gnsslog {

namespace {

constexpr double kMillisecondsPerSecond = 1000.0;
// WGS84 semi-major axis (m) and first eccentricity squared: the radii of
// curvature turn degree steps into metres.
constexpr double kSemiMajorAxis = 6378137.0;
constexpr double kEccentricitySquared = 6.69437999014e-3;

double metresPerDegreeNorth(double latitude) noexcept
{
    const double s = std::sin(latitude * std::numbers::pi / 180.0);
    const double w = 1.0 - kEccentricitySquared * s * s;
    const double meridian = kSemiMajorAxis * (1.0 - kEccentricitySquared) / (w * std::sqrt(w));
    return meridian * std::numbers::pi / 180.0;
}

double metresPerDegreeEast(double latitude) noexcept
{
    const double phi = latitude * std::numbers::pi / 180.0;
    const double s = std::sin(phi);
    const double normal = kSemiMajorAxis / std::sqrt(1.0 - kEccentricitySquared * s * s);
    return normal * std::cos(phi) * std::numbers::pi / 180.0;
}

std::string centimetres(double metres)
{
    return formatFixed(metres * 100.0, 1) + " cm";
}

}  // namespace

namespace {

// Frame types are a few characters: compared a word at a time, the first
// and the last bytes overlapping, since this runs for every frame on the
// reading thread.
template <typename Word>
bool sameEnds(const char* a, const char* b, std::size_t n) noexcept
{
    Word a0;
    Word b0;
    Word a1;
    Word b1;
    std::memcpy(&a0, a, sizeof(Word));
    std::memcpy(&b0, b, sizeof(Word));
    std::memcpy(&a1, a + n - sizeof(Word), sizeof(Word));
    std::memcpy(&b1, b + n - sizeof(Word), sizeof(Word));
    return a0 == b0 && a1 == b1;
}

bool sameType(const std::string& known, std::string_view type) noexcept
{
    const std::size_t n = type.size();
    if (known.size() != n) {
        return false;
    }
    if (n >= 8 && n <= 16) {
        return sameEnds<std::uint64_t>(known.data(), type.data(), n);
    }
    if (n >= 4 && n < 8) {
        return sameEnds<std::uint32_t>(known.data(), type.data(), n);
    }
    return known == type;
}

}  // namespace

std::size_t FrameTypeTally::slotOf(std::string_view type) noexcept
{
    // Every character of a type up to 16 long takes part: the common NMEA
    // types differ in one letter anywhere ("$GPGGA", "$GNGGA", "$GPGSA"),
    // and types that share a slot are compared one by one.
    const std::size_t n = type.size();
    std::uint64_t head = 0;
    std::uint64_t tail = 0;
    if (n >= 8) {
        std::memcpy(&head, type.data(), 8);
        std::memcpy(&tail, type.data() + n - 8, 8);
    } else if (n >= 4) {
        std::uint32_t first = 0;
        std::uint32_t last = 0;
        std::memcpy(&first, type.data(), 4);
        std::memcpy(&last, type.data() + n - 4, 4);
        head = first;
        tail = last;
    } else {
        for (std::size_t i = 0; i < n; ++i) {
            head = head << 8 | static_cast<unsigned char>(type[i]);
        }
    }
    constexpr std::uint64_t kGoldenRatio64 = 0x9E3779B97F4A7C15;
    constexpr int kSlotBits = 6;
    static_assert(std::tuple_size_v<decltype(indexBySlot_)> == std::size_t{1} << kSlotBits);
    const std::uint64_t mixed = (head ^ (tail * 31) ^ n) * kGoldenRatio64;
    return static_cast<std::size_t>(mixed >> (64 - kSlotBits));
}

void FrameTypeTally::add(std::string_view type)
{
    auto& types = counts_.framesByType;
    ++counts_.frames;
    std::uint32_t& slot = indexBySlot_[slotOf(type)];
    if (slot != 0 && sameType(types[slot - 1].first, type)) {
        ++types[slot - 1].second;
        return;
    }
    for (std::size_t i = 0; i < types.size(); ++i) {
        if (sameType(types[i].first, type)) {
            ++types[i].second;
            slot = static_cast<std::uint32_t>(i + 1);
            return;
        }
    }
    types.emplace_back(std::string(type), 1);
    slot = static_cast<std::uint32_t>(types.size());
}

void FrameTypeTally::add(std::string_view type, std::uint64_t count)
{
    if (count == 0) {
        return;
    }
    add(type);
    // add() left the type's slot pointing at it.
    auto& types = counts_.framesByType;
    types[indexBySlot_[slotOf(type)] - 1].second += count - 1;
    counts_.frames += count - 1;
}

void FrameTypeTally::moveInto(DataQuality& quality)
{
    quality.framesByType = std::move(counts_.framesByType);
    quality.frames = counts_.frames;
}

void FrameTypeTally::copyInto(DataQuality& quality) const
{
    quality.framesByType = counts_.framesByType;
    quality.frames = counts_.frames;
}

void RecordQuality::countVerdict(FrameVerdict verdict) noexcept
{
    switch (verdict) {
    case FrameVerdict::Record: ++readFrames_; break;
    case FrameVerdict::ChecksumFailed: ++counts_.rejectedChecksum; break;
    case FrameVerdict::Unread: ++counts_.unreadFrames; break;
    case FrameVerdict::Rejected: ++counts_.rejectedFrames; break;
    }
}

void RecordQuality::Steps::add(double value) noexcept
{
    if (hasPrevious) {
        const double step = std::fabs(value - previous);
        if (step > 0 && !(step >= smallest)) {  // NaN smallest: the first step
            smallest = step;
        }
    }
    previous = value;
    hasPrevious = true;
}

void RecordQuality::addRecord(const GNSSRecord& record, bool wrapped)
{
    ++counts_.recordsKept;
    if (wrapped) {
        ++counts_.dayWraps;
    }
    if (hasTime_) {
        const double step = record.time - previousTime_;
        if (step < 0) {
            ++counts_.backwardSteps;
        } else if (step > 0 && std::isfinite(step)) {
            const auto ms = static_cast<std::int64_t>(
                std::llround(std::min(step * kMillisecondsPerSecond, 1e15)));
            if (ms != lastStep_ || lastStepCount_ == nullptr) {
                lastStep_ = ms;
                lastStepCount_ = &stepCounts_[ms];
            }
            ++*lastStepCount_;
        }
    }
    previousTime_ = record.time;
    hasTime_ = true;

    // A solution without a position (GGA quality 0, often with zeros for
    // the coordinates) says nothing about the log's resolution.
    if (record.fixType == FixType::NoPosition) {
        return;
    }
    if (record.has(ValidFlag::LatLon)) {
        if (!latitude_.hasPrevious) {
            firstLatitude_ = record.latitude;
        }
        latitude_.add(record.latitude);
        longitude_.add(record.longitude);
    }
    if (record.has(ValidFlag::Height)) {
        height_.add(record.height);
    }
    // Grid coordinates converted from a geodetic position carry the
    // conversion's digits, not the log's: only logged ones count.
    if (record.has(ValidFlag::Grid) && !record.has(ValidFlag::LatLon)) {
        gridX_.add(record.localX);
        gridY_.add(record.localY);
    }
}

namespace {

// The median epoch interval and the gaps longer than twice it.
void tallyIntervals(const std::unordered_map<std::int64_t, std::uint64_t>& stepCounts,
                    DataQuality& quality)
{
    std::vector<std::pair<std::int64_t, std::uint64_t>> steps(stepCounts.begin(),
                                                              stepCounts.end());
    std::sort(steps.begin(), steps.end());
    std::uint64_t total = 0;
    for (const auto& step : steps) {
        total += step.second;
    }
    if (total > 0) {
        // The lower median: the step at rank ceil(total / 2).
        const std::uint64_t rank = (total + 1) / 2;
        std::uint64_t seen = 0;
        std::int64_t median = 0;
        for (const auto& [ms, count] : steps) {
            seen += count;
            if (seen >= rank) {
                median = ms;
                break;
            }
        }
        quality.medianInterval = static_cast<double>(median) / kMillisecondsPerSecond;
        for (const auto& [ms, count] : steps) {
            if (ms > 2 * median) {
                quality.gaps += count;
            }
        }
    }
}

void addWarnings(DataQuality& quality)
{
    const CoordinateResolution& r = quality.resolution;
    std::string coarse;
    const std::pair<const char*, double> axes[] = {
        {"north", r.north}, {"east", r.east}, {"height", r.height},
        {"grid x", r.gridX}, {"grid y", r.gridY}};
    for (const auto& [name, step] : axes) {
        if (step >= kCoarseResolutionMetres) {
            coarse += (coarse.empty() ? "" : ", ") + centimetres(step) + " " + name;
        }
    }
    if (!coarse.empty()) {
        quality.warnings.push_back("histogram bins of 1 cm are quantised by the log's resolution of " +
                                   coarse);
    }
    if (quality.rejectedChecksum > 0) {
        quality.warnings.push_back(std::to_string(quality.rejectedChecksum) +
                                   (quality.rejectedChecksum == 1 ? " frame" : " frames") +
                                   " rejected for a wrong checksum");
    }
    if (quality.backwardSteps > 0) {
        quality.warnings.push_back("the clock stepped back " +
                                   std::to_string(quality.backwardSteps) +
                                   (quality.backwardSteps == 1 ? " time" : " times"));
    }
    if (quality.gaps > 0) {
        quality.warnings.push_back(std::to_string(quality.gaps) +
                                   (quality.gaps == 1 ? " gap" : " gaps") +
                                   " longer than twice the median epoch interval of " +
                                   formatFixed(quality.medianInterval, 3) + " s");
    }
    if (quality.positionsOffGrid > 0) {
        quality.warnings.push_back(std::to_string(quality.positionsOffGrid) +
                                   (quality.positionsOffGrid == 1
                                        ? " position lies outside the grid and has"
                                        : " positions lie outside the grid and have") +
                                   " no grid coordinates");
    }
}

}  // namespace

void RecordQuality::finish(DataQuality& quality, std::uint64_t moreChecksumFailures,
                           std::uint64_t moreTruncatedFrames) const
{
    const double latitude = firstLatitude_;
    quality.recordsKept = counts_.recordsKept;
    quality.rejectedChecksum = counts_.rejectedChecksum + moreChecksumFailures;
    quality.unreadFrames = counts_.unreadFrames;
    quality.rejectedFrames = counts_.rejectedFrames;
    // Frames that complete a record told in several (an NMEA epoch's GST,
    // a u-blox NAV-HPPOSLLH) or repeat one.
    quality.joinedFrames =
        readFrames_ > counts_.recordsKept ? readFrames_ - counts_.recordsKept : 0;
    quality.truncatedFrames = counts_.truncatedFrames + moreTruncatedFrames;
    quality.positionsOffGrid = counts_.positionsOffGrid;
    quality.backwardSteps = counts_.backwardSteps;
    quality.dayWraps = counts_.dayWraps;
    quality.datesIgnored = counts_.datesIgnored;

    tallyIntervals(stepCounts_, quality);

    CoordinateResolution& r = quality.resolution;
    if (std::isfinite(latitude)) {
        r.north = latitude_.smallest * metresPerDegreeNorth(latitude);
        r.east = longitude_.smallest * metresPerDegreeEast(latitude);
    }
    r.height = height_.smallest;
    r.gridX = gridX_.smallest;
    r.gridY = gridY_.smallest;

    addWarnings(quality);
}

}  // namespace gnsslog
