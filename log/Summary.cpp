#include "log/Summary.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "common/FormatNumber.h"
#include "common/Saturate.h"

namespace gnsslog {

namespace {

// U+00BA MASCULINE ORDINAL INDICATOR, the summary's degree sign.
constexpr const char* kDegreeSign = "\xC2\xBA";

void appendDms(std::string& out, double degrees)
{
    const Dms dms = DegreesToDms(degrees);
    appendInt(out, dms.degrees);
    out += kDegreeSign;
    out += ' ';
    appendInt(out, dms.minutes);
    out += "\" ";
    appendFixed(out, dms.seconds, 6);
    out += " '";
}

constexpr double kAltitudeTolerance = 0.03;  // metres

}  // namespace

Dms DegreesToDms(double degrees) noexcept
{
    const double d = std::floor(degrees);
    const double minutes = (degrees - d) * 60;
    const double m = std::floor(minutes);
    const double s = (minutes - m) * 60;
    return Dms{toInt32(d), toInt32(m), s};
}

HoursMinutes hoursMinutes(double seconds) noexcept
{
    const std::uint32_t s = toUInt32Wrapping(seconds);
    return HoursMinutes{s / 3600, (s % 3600) / 60};
}

std::uint64_t heightsWithin3cm(const GNSSLog& log) noexcept
{
    std::uint64_t count = 0;
    for (const GNSSRecord& r : log.records) {
        if (r.fixType == FixType::RtkFixed && (r.validFlags & ValidFlag::Height) != 0 &&
            std::fabs(log.avgZ - r.height) < kAltitudeTolerance) {
            ++count;
        }
    }
    return count;
}

SummaryTexts summaryTexts(const GNSSLog& log)
{
    SummaryTexts texts;
    const std::size_t recordCount = log.records.size();

    {
        const double share = log.rtkFixCount == 0
                                 ? 0.0
                                 : static_cast<double>(log.rtkFixCount) /
                                       static_cast<double>(recordCount) * 100;
        std::string& t = texts.label1;
        t = "Log file loaded, ";
        appendInt(t, static_cast<std::int64_t>(recordCount));
        t += " records readed,RTK fix ";
        appendFixed(t, share, 2);
        t += "%. Fix lost ";
        appendInt(t, log.fixLostCount);
        t += " times";
    }
    {
        std::string& t = texts.label2;
        t = "Truth coordinates(averaged): LAT: ";
        appendDms(t, log.avgLatitude);
        t += " LON: ";
        appendDms(t, log.avgLongitude);
        t += " ALT: ";
        appendFixed(t, log.avgZ, 4);
    }
    {
        std::string& t = texts.label3;
        t = "Max errors: X: ";
        appendFixed(t, log.maxErrorX, 2);
        t += " Y: ";
        appendFixed(t, log.maxErrorY, 2);
        t += " Z: ";
        appendFixed(t, log.maxErrorZ, 2);
        t += ' ';
    }
    {
        const HoursMinutes start = hoursMinutes(log.startTime);
        const HoursMinutes duration = hoursMinutes(log.endTime - log.startTime);
        std::string& t = texts.label4;
        t = "Start time: ";
        appendInt(t, start.hours, 2);
        t += ':';
        appendInt(t, start.minutes, 2);
        t += " (utc) time scale: ";
        appendInt(t, duration.hours);
        t += " hours ";
        appendInt(t, duration.minutes);
        t += " minutes";
    }
    {
        const std::uint64_t within = heightsWithin3cm(log);
        std::string& t = texts.label5;
        t = "Alt accuracy better than +-3cm: ";
        if (within == 0) {
            t += "UNAVAILABLE";
        } else {
            // The denominator counts every fixed record, also those
            // without a height.
            appendFixed(t,
                        static_cast<double>(within) / static_cast<double>(log.rtkFixCount) * 100, 2);
            t += '%';
        }
    }
    {
        std::string& t = texts.label6;
        t = "Truth coordinates(cartesian/local averaged): X: ";
        appendFixed(t, log.avgX, 9);
        t += ",Y: ";
        appendFixed(t, log.avgY, 9);
        t += ",Z: ";
        appendFixed(t, log.avgZ, 4);
    }
    return texts;
}

}  // namespace gnsslog
