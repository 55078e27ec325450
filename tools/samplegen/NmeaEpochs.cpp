// The NMEA side of the generator: solution sentences and the others.
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>

#include "common/FormatNumber.h"
#include "common/Saturate.h"
#include "geodesy/Kkj.h"
#include "log/GnssRecord.h"
#include "tools/samplegen/GeneratorState.h"
#include "tools/samplegen/NmeaWriter.h"
#include "tools/samplegen/Pvt1bEncoder.h"

namespace gnsslog {

using namespace samplegen;

std::string LogGenerator::State::nmeaSolution(std::int64_t ms, double& decodedTime, int& outcome,
                                              std::uint8_t& fixType)
{
    NmeaEpochDraw d;
    d.model = model(spell);
    d.centiseconds = ms / 10;
    const std::string timeText = nmeaTime(d.centiseconds);
    // Exactly as the decoder accumulates the time field. The seconds are
    // read without the locale, like every number field of the decoder.
    double seconds = 0;
    std::from_chars(timeText.data() + 4, timeText.data() + 9, seconds);
    decodedTime = seconds
                  + std::atoi(timeText.substr(2, 2).c_str()) * 60
                  + std::atoi(timeText.substr(0, 2).c_str()) * 3600;
    d.dn = axisError(biasN, d.model.sigmaH);
    d.de = axisError(biasE, d.model.sigmaH);
    d.du = axisError(biasU, d.model.sigmaV);
    d.gps = static_cast<int>(rng.between(7, 12));
    d.glonass = static_cast<int>(rng.between(4, 8));
    d.dop = 0.7 + 0.8 * rng.uniform();
    d.noPosition = spell == Spell::NoPosition;
    outcome = d.noPosition ? 0 : 1;

    NmeaSolution kind = options.nmeaSolution;
    if (kind == NmeaSolution::LlkLlq) {
        kind = (ms / options.epochIntervalMs) % 2 == 0 ? NmeaSolution::Llk : NmeaSolution::Llq;
    }
    lastGps = d.gps;
    lastGlonass = d.glonass;
    lastSigmaH = d.model.sigmaH;
    lastSigmaV = d.model.sigmaV;
    switch (kind) {
    case NmeaSolution::Gga:
    case NmeaSolution::Gns:
    case NmeaSolution::LlkLlq: return nmeaGgaOrGns(d, kind, fixType);
    case NmeaSolution::Llk:
    case NmeaSolution::Llq: return nmeaGridSentence(d, kind, outcome, fixType);
    case NmeaSolution::Orp:
    case NmeaSolution::OrpGrid: return nmeaOrpSentence(d, kind, fixType);
    }
    outcome = -1;
    return {};
}

std::string LogGenerator::State::nmeaGgaOrGns(const NmeaEpochDraw& d, NmeaSolution kind,
                                              std::uint8_t& fixType)
{
    GgaFields g;
    g.centiseconds = d.centiseconds;
    g.noPosition = d.noPosition;
    g.latitude = truth.latitude + d.dn / kMetresPerDegreeLat;
    g.longitude = truth.longitude + d.de / metresPerDegreeLon;
    g.heightMetres = truth.height + d.du;
    g.geoidSeparation = truth.geoidSeparation;
    g.satellites = d.gps;
    g.hdop = d.dop;
    g.correctionAge = spell == Spell::Single ? -1.0 : static_cast<double>(rng.between(1, 3));
    switch (spell) {
    case Spell::Fixed: g.quality = 4; fixType = FixType::RtkFixed; break;
    case Spell::Float: g.quality = 5; fixType = FixType::RtkFloat; break;
    case Spell::RtkX: g.quality = 4; g.station = "0026"; fixType = FixType::RtkX; break;
    default: g.quality = 1; fixType = 1; break;
    }
    if (g.correctionAge < 0) {
        g.station.clear();
    }
    if (kind == NmeaSolution::Gns) {
        switch (spell) {
        case Spell::Fixed:
        case Spell::RtkX: fixType = FixType::RtkFixed; return gnsSentence(g, "RR");
        case Spell::Float: return gnsSentence(g, "FF");
        default: return gnsSentence(g, "DA");
        }
    }
    return ggaSentence(g, rng.chance(0.5) ? "GP" : "GN");
}

std::string LogGenerator::State::nmeaGridSentence(const NmeaEpochDraw& d, NmeaSolution kind,
                                                  int& outcome, std::uint8_t& fixType)
{
    if (d.noPosition) {
        outcome = -1;  // grid receivers stay silent without a position
        return {};
    }
    GridFields g;
    g.centiseconds = d.centiseconds;
    g.gridX = truth.gridX + d.dn;
    g.gridY = truth.gridY + d.de;
    g.height = truth.height + d.du;
    g.satellites = d.gps + d.glonass;
    switch (spell) {
    case Spell::Fixed: g.quality = 3; fixType = FixType::RtkFixed; break;
    case Spell::Float: g.quality = 2; fixType = FixType::RtkFloat; break;
    default: g.quality = 1; fixType = FixType::NoPosition; break;
    }
    if (kind == NmeaSolution::Llk) {
        g.dopOrQuality = d.dop + 1.0;
        return llkSentence(g);
    }
    const SpellModel& m = d.model;
    g.dopOrQuality = std::sqrt(2 * m.sigmaH * m.sigmaH + m.sigmaV * m.sigmaV);
    return llqSentence(g);
}

std::string LogGenerator::State::nmeaOrpSentence(const NmeaEpochDraw& d, NmeaSolution kind,
                                                 std::uint8_t& fixType)
{
    OrpFields o;
    o.centiseconds = d.centiseconds;
    o.coordinateKind = kind == NmeaSolution::Orp ? 0 : 2;
    switch (spell) {
    case Spell::Fixed: o.status = 254; fixType = FixType::RtkFixed; break;
    case Spell::NoPosition: o.status = 0; fixType = FixType::NoPosition; break;  // rejected
    case Spell::Float: o.status = 2; fixType = FixType::NoPosition; break;
    default: o.status = 1; fixType = FixType::NoPosition; break;
    }
    o.error1 = d.model.sigmaH * (0.8 + 0.4 * rng.uniform());
    o.error2 = d.model.sigmaH * (0.8 + 0.4 * rng.uniform());
    o.error3 = d.model.sigmaV * (0.8 + 0.4 * rng.uniform());
    o.dop = d.dop;
    o.gpsSatellites = d.gps;
    o.glonassSatellites = d.glonass;
    if (o.coordinateKind == 0) {
        o.first = truth.latitude + d.dn / kMetresPerDegreeLat;
        o.second = truth.longitude + d.de / metresPerDegreeLon;
    } else {
        o.first = truth.gridX + d.dn;
        o.second = truth.gridY + d.de;
    }
    o.height = truth.height + d.du;
    return orpSentence(o);
}


namespace {

// ddmmyy of the day ms falls on, counted from the log's first day.
std::string nmeaDate(std::int64_t ms)
{
    using namespace std::chrono;
    const std::int64_t day = kNmeaFirstDay + (ms >= 0 ? ms / kDayMs : 0);
    const year_month_day date{sys_days{days{day}}};
    return formatInt(static_cast<unsigned>(date.day()), 2) +
           formatInt(static_cast<unsigned>(date.month()), 2) +
           formatInt(static_cast<int>(date.year()) % 100, 2);
}

}  // namespace

std::string LogGenerator::State::nmeaEpochSentences(std::int64_t ms)
{
    // The receiver's estimate is its noise model: one sigma per axis.
    const std::int64_t cs = ms / 10;
    std::string text = gstSentence(cs, lastSigmaH, lastSigmaH, lastSigmaV);
    text += gsaSentence(lastGps, 1, 1);
    text += gsaSentence(lastGlonass, 65, 2);
    text += zdaSentence(cs, nmeaDate(ms));
    stats.epochFrames += 4;
    dateWritten = true;
    return text;
}

std::string LogGenerator::State::nmeaNoise(std::int64_t ms)
{
    const std::string time = nmeaTime(ms / 10);
    const std::int64_t kind = rng.between(0, 2);
    if (kind == 0) {
        std::string body = "GPRMC," + time + ",A," + nmeaLatitude(truth.latitude, 5) + ",N,"
                           + nmeaLongitude(truth.longitude, 5) + ",E,"
                           + fixedDecimals(0.02 * rng.uniform(), 3) + ",0.0," + nmeaDate(ms)
                           + ",7.9,E,D";
        dateWritten = true;
        return nmeaSentence(body);
    }
    if (kind == 1) {
        std::string body = "GPGSA,A,3";
        for (int i = 0; i < 12; ++i) {
            const std::string sat = ',' + formatInt(rng.between(1, 32), 2);
            body += i < 9 ? sat : ",";
        }
        body += ',' + fixedDecimals(1.2 + rng.uniform(), 1) + ',' + fixedDecimals(0.7 + rng.uniform(), 1) + ','
                + fixedDecimals(1.0 + rng.uniform(), 1);
        return nmeaSentence(body);
    }
    std::string body = "GPGSV,3," + std::to_string(rng.between(1, 3)) + ",11";
    for (int i = 0; i < 4; ++i) {
        // Drawn last field first: the order gcc gave the arguments of the
        // single call these once were, which made the committed samples.
        const std::int64_t snr = rng.between(20, 52);
        const std::int64_t azimuth = rng.between(0, 359);
        const std::int64_t elevation = rng.between(5, 89);
        const std::int64_t satellite = rng.between(1, 32);
        body += ',' + formatInt(satellite, 2) + ',' + formatInt(elevation, 2) + ',' +
                formatInt(azimuth, 3) + ',' + formatInt(snr, 2);
    }
    return nmeaSentence(body);
}


}  // namespace gnsslog
