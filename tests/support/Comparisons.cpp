#include "tests/support/Comparisons.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string_view>
#include <system_error>

namespace gnsslog::testing {

bool sameBits(double a, double b) noexcept
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool sameRecord(const GNSSRecord& a, const GNSSRecord& b) noexcept
{
    return sameBits(a.time, b.time) && sameBits(a.latitude, b.latitude) &&
           sameBits(a.longitude, b.longitude) && sameBits(a.height, b.height) &&
           sameBits(a.localX, b.localX) && sameBits(a.localY, b.localY) &&
           sameBits(a.dop, b.dop) && sameBits(a.correctionAge, b.correctionAge) &&
           sameBits(a.errorEstimate, b.errorEstimate) && a.fixType == b.fixType &&
           a.gpsSatellites == b.gpsSatellites && a.glonassSatellites == b.glonassSatellites &&
           a.satellites == b.satellites && a.validFlags == b.validFlags &&
           a.fixChange == b.fixChange && a.valid == b.valid && a.framePart == b.framePart;
}

bool sameAccuracy(const AccuracyFigures& a, const AccuracyFigures& b) noexcept
{
    return sameBits(a.sigmaNorth, b.sigmaNorth) && sameBits(a.sigmaEast, b.sigmaEast) &&
           sameBits(a.sigmaUp, b.sigmaUp) &&
           sameBits(a.protectionHorizontal, b.protectionHorizontal) &&
           sameBits(a.protectionVertical, b.protectionVertical);
}

bool sameRecord(const DecodedRecord& a, const DecodedRecord& b) noexcept
{
    return sameRecord(static_cast<const GNSSRecord&>(a), static_cast<const GNSSRecord&>(b)) &&
           sameAccuracy(a.accuracy, b.accuracy);
}

bool sameApartFromGrid(const GNSSRecord& a, const GNSSRecord& b) noexcept
{
    GNSSRecord x = a;
    GNSSRecord y = b;
    x.localX = y.localX = 0;
    x.localY = y.localY = 0;
    x.validFlags &= ~ValidFlag::Grid;
    y.validFlags &= ~ValidFlag::Grid;
    return sameRecord(x, y);
}

bool sameHistogram(const Histogram& a, const Histogram& b)
{
    if (a.sampleCount() != b.sampleCount() || a.peakCount() != b.peakCount() ||
        a.binCount() != b.binCount()) {
        return false;
    }
    for (std::size_t i = 0; i < a.binCount(); ++i) {
        if (a.bins()[i].key != b.bins()[i].key || a.bins()[i].count != b.bins()[i].count) {
            return false;
        }
    }
    return true;
}

namespace {

struct NamedDouble {
    std::string_view name;
    double GNSSLog::*member;
};

constexpr NamedDouble kDoubles[] = {
    {"avgLatitude", &GNSSLog::avgLatitude}, {"avgLongitude", &GNSSLog::avgLongitude},
    {"avgZ", &GNSSLog::avgZ},               {"avgX", &GNSSLog::avgX},
    {"avgY", &GNSSLog::avgY},               {"firstFixX", &GNSSLog::firstFixX},
    {"firstFixY", &GNSSLog::firstFixY},     {"firstFixZ", &GNSSLog::firstFixZ},
    {"manualX", &GNSSLog::manualX},         {"manualY", &GNSSLog::manualY},
    {"manualZ", &GNSSLog::manualZ},         {"maxErrorZ", &GNSSLog::maxErrorZ},
    {"maxErrorX", &GNSSLog::maxErrorX},     {"maxErrorY", &GNSSLog::maxErrorY},
    {"startTime", &GNSSLog::startTime},     {"endTime", &GNSSLog::endTime},
};

struct NamedHistogram {
    std::string_view name;
    Histogram GNSSLog::*member;
};

constexpr NamedHistogram kHistograms[] = {
    {"histZ", &GNSSLog::histZ},         {"histX", &GNSSLog::histX},
    {"histY", &GNSSLog::histY},         {"hist3DFix", &GNSSLog::hist3DFix},
    {"hist3DRtkx", &GNSSLog::hist3DRtkx},
};

std::string shortest(double value)
{
    char text[32];
    const auto [end, error] = std::to_chars(std::begin(text), std::end(text), value);
    return error == std::errc{} ? std::string(text, end) : std::string("?");
}

}  // namespace

bool sameAnalysis(const GNSSLog& a, const GNSSLog& b, std::string* why)
{
    const auto differ = [&](const std::string& what) {
        if (why != nullptr) {
            *why = what;
        }
        return false;
    };
    if (a.records.size() != b.records.size()) {
        return differ("record count " + std::to_string(a.records.size()) + " vs " +
                      std::to_string(b.records.size()));
    }
    for (std::size_t i = 0; i < a.records.size(); ++i) {
        if (!sameRecord(a.records[i], b.records[i])) {
            return differ("record " + std::to_string(i));
        }
    }
    if (a.accuracy.size() != b.accuracy.size()) {
        return differ("accuracy figures " + std::to_string(a.accuracy.size()) + " vs " +
                      std::to_string(b.accuracy.size()));
    }
    for (std::size_t i = 0; i < a.accuracy.size(); ++i) {
        if (!sameAccuracy(a.accuracy[i], b.accuracy[i])) {
            return differ("accuracy figures of record " + std::to_string(i));
        }
    }
    if (a.rtkFixCount != b.rtkFixCount || a.fixLostCount != b.fixLostCount) {
        return differ("fix counts");
    }
    for (const NamedDouble& d : kDoubles) {
        if (!sameBits(a.*d.member, b.*d.member)) {
            return differ(std::string(d.name) + " " + shortest(a.*d.member) + " vs " +
                          shortest(b.*d.member));
        }
    }
    if (a.truthMode != b.truthMode || a.openError != b.openError) {
        return differ("truth mode or open error");
    }
    for (const NamedHistogram& h : kHistograms) {
        if (!sameHistogram(a.*h.member, b.*h.member)) {
            return differ(std::string(h.name));
        }
    }
    return true;
}

std::vector<DecodedRecord> decodedRecordsOf(const GNSSLog& log)
{
    std::vector<DecodedRecord> out(log.records.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        static_cast<GNSSRecord&>(out[i]) = log.records[i];
        out[i].accuracy = log.accuracyOf(i);
    }
    return out;
}

bool allFinite(const GNSSRecord& r) noexcept
{
    const double values[] = {r.time,   r.latitude, r.longitude,     r.height,       r.localX,
                             r.localY, r.dop,      r.correctionAge, r.errorEstimate};
    return std::all_of(std::begin(values), std::end(values),
                       [](double v) { return std::isfinite(v); });
}

bool clearGroupsReadZero(const GNSSRecord& r) noexcept
{
    const auto zeroUnless = [&](std::uint32_t bit, double v) { return r.has(bit) || v == 0; };
    return zeroUnless(ValidFlag::LatLon, r.latitude) && zeroUnless(ValidFlag::LatLon, r.longitude) &&
           zeroUnless(ValidFlag::Grid, r.localX) && zeroUnless(ValidFlag::Grid, r.localY) &&
           zeroUnless(ValidFlag::Height, r.height) && zeroUnless(ValidFlag::Dop, r.dop) &&
           zeroUnless(ValidFlag::CorrectionAge, r.correctionAge) &&
           zeroUnless(ValidFlag::ErrorEstimate, r.errorEstimate);
}

bool clearGroupsReadZero(const DecodedRecord& r) noexcept
{
    const auto zeroUnless = [&](std::uint32_t bit, double v) { return r.has(bit) || v == 0; };
    const AccuracyFigures& a = r.accuracy;
    return clearGroupsReadZero(static_cast<const GNSSRecord&>(r)) &&
           zeroUnless(ValidFlag::AxisSigmas, a.sigmaNorth) &&
           zeroUnless(ValidFlag::AxisSigmas, a.sigmaEast) &&
           zeroUnless(ValidFlag::AxisSigmas, a.sigmaUp) &&
           zeroUnless(ValidFlag::ProtectionLevels, a.protectionHorizontal) &&
           zeroUnless(ValidFlag::ProtectionLevels, a.protectionVertical);
}

}  // namespace gnsslog::testing
