#include "compare/TimeSlices.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include "common/FormatNumber.h"

namespace gnsslog {

namespace {

struct DurationUnit {
    std::string_view name;
    double seconds;
};
// Longest name first, so "min" is not read as "m" of something else.
constexpr DurationUnit kDurationUnits[] = {{"min", 60.0}, {"s", 1.0}, {"h", 3600.0}};

double sliceIndexOf(double time, double sliceSeconds) { return std::floor(time / sliceSeconds); }

}  // namespace

bool parseDuration(std::string_view text, double& seconds) noexcept
{
    for (const DurationUnit& unit : kDurationUnits) {
        if (text.size() <= unit.name.size() || !text.ends_with(unit.name)) {
            continue;
        }
        const std::string_view number = text.substr(0, text.size() - unit.name.size());
        double value = 0;
        const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
        if (result.ec != std::errc() || result.ptr != number.data() + number.size()) {
            return false;
        }
        const double total = value * unit.seconds;
        if (!std::isfinite(total) || !(total > 0)) {
            return false;
        }
        seconds = total;
        return true;
    }
    return false;
}

std::string forEachTimeSlice(std::span<const GNSSRecord> records, double sliceSeconds,
                             double nominalInterval, const TimeSliceVisitor& visit)
{
    if (!std::isfinite(sliceSeconds) || !(sliceSeconds > 0)) {
        return "the slice duration must be a positive number of seconds";
    }
    bool inOrder = true;
    bool anyTime = false;
    double first = 0;
    double last = 0;
    double previous = -INFINITY;
    for (const GNSSRecord& r : records) {
        if (!std::isfinite(r.time)) {
            inOrder = false;
            continue;
        }
        inOrder = inOrder && r.time >= previous;
        previous = r.time;
        first = anyTime ? std::min(first, r.time) : r.time;
        last = anyTime ? std::max(last, r.time) : r.time;
        anyTime = true;
    }
    if (!anyTime) {
        return {};
    }
    const double firstIndex = sliceIndexOf(first, sliceSeconds);
    const double lastIndex = sliceIndexOf(last, sliceSeconds);
    const double count = lastIndex - firstIndex + 1;
    if (!std::isfinite(count) || count > static_cast<double>(kMaxTimeSlices)) {
        return "more than " + formatInt(static_cast<std::int64_t>(kMaxTimeSlices)) +
               " slices from " + formatClock(first) + " to " + formatClock(last);
    }

    // Out of order (or with unusable times): a copy grouped by slice, each
    // group in file order.
    std::vector<GNSSRecord> grouped;
    std::span<const GNSSRecord> ordered = records;
    if (!inOrder) {
        for (const GNSSRecord& r : records) {
            if (std::isfinite(r.time)) {
                grouped.push_back(r);
            }
        }
        std::stable_sort(grouped.begin(), grouped.end(),
                         [sliceSeconds](const GNSSRecord& a, const GNSSRecord& b) {
                             return sliceIndexOf(a.time, sliceSeconds) <
                                    sliceIndexOf(b.time, sliceSeconds);
                         });
        ordered = grouped;
    }

    const double lastEpoch =
        std::isfinite(nominalInterval) && nominalInterval > 0 ? nominalInterval : 0;
    const double coveredEnd = last + lastEpoch;
    const auto slices = static_cast<std::size_t>(count);
    std::size_t next = 0;
    for (std::size_t k = 0; k < slices; ++k) {
        const double index = firstIndex + static_cast<double>(k);
        TimeSlice slice;
        slice.start = index * sliceSeconds;
        slice.end = slice.start + sliceSeconds;
        const std::size_t begin = next;
        while (next < ordered.size() && sliceIndexOf(ordered[next].time, sliceSeconds) <= index) {
            ++next;
        }
        slice.recordCount = next - begin;
        slice.partial = slice.start < first || slice.end > coveredEnd;
        visit(slice, ordered.subspan(begin, next - begin));
    }
    return {};
}

std::string formatClock(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0 || seconds > 1e15) {
        return "-";
    }
    const auto whole = static_cast<std::int64_t>(std::floor(seconds));
    return formatInt(whole / 3600, 2) + ':' + formatInt(whole / 60 % 60, 2) + ':' +
           formatInt(whole % 60, 2);
}

}  // namespace gnsslog
