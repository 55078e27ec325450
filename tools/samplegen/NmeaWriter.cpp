#include "tools/samplegen/NmeaWriter.h"

#include <cmath>

#include "common/FormatNumber.h"
#include "common/Saturate.h"

namespace gnsslog {

namespace {

// Degrees and minutes with the degree field zero-padded to `degreeDigits`.
// Rounding the minutes can reach 60; carry that into the degrees.
std::string degreesMinutes(double degrees, int degreeDigits, int minuteDecimals)
{
    const double magnitude = std::fabs(degrees);
    std::int32_t whole = toInt32(magnitude);
    double minutes = (magnitude - whole) * 60.0;
    std::string minuteText = fixedDecimals(minutes, minuteDecimals);
    if (minuteText.rfind("60", 0) == 0) {
        whole += 1;
        minutes = 0.0;
        minuteText = fixedDecimals(minutes, minuteDecimals);
    }
    std::string text = formatInt(whole, degreeDigits);
    const std::size_t point = minuteText.find('.');
    if ((point == std::string::npos ? minuteText.size() : point) < 2) {
        text.push_back('0');
    }
    return text + minuteText;
}

std::string gridSentence(std::string_view address, const GridFields& f, int dopDecimals)
{
    std::string body(address);
    body += ',' + nmeaTime(f.centiseconds) + ',';
    appendInt(body, f.month % 100, 2);
    appendInt(body, f.day % 100, 2);
    appendInt(body, f.year % 100, 2);
    body += ',' + fixedDecimals(f.gridX, 3) + ",M";
    body += ',' + fixedDecimals(f.gridY, 3) + ",M";
    body += ',' + std::to_string(f.quality);
    body += ',' + formatInt(f.satellites % 100, 2);
    body += ',' + fixedDecimals(f.dopOrQuality, dopDecimals);
    body += ',' + fixedDecimals(f.height, 3) + ",M";
    return nmeaSentence(body);
}

}  // namespace

std::uint8_t nmeaChecksum(std::string_view body) noexcept
{
    std::uint8_t sum = 0;
    for (const char c : body) {
        sum = static_cast<std::uint8_t>(sum ^ static_cast<std::uint8_t>(c));
    }
    return sum;
}

std::string nmeaSentence(std::string_view body)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    const std::uint8_t sum = nmeaChecksum(body);
    std::string sentence;
    sentence.reserve(body.size() + 6);
    sentence.push_back('$');
    sentence.append(body);
    sentence.push_back('*');
    sentence.push_back(digits[sum >> 4]);
    sentence.push_back(digits[sum & 0xF]);
    sentence += "\r\n";
    return sentence;
}

std::string fixedDecimals(double value, int decimals) { return formatFixed(value, decimals); }

std::string nmeaTime(std::int64_t centiseconds)
{
    constexpr std::int64_t day = 86400 * 100;
    std::int64_t cs = centiseconds % day;
    if (cs < 0) {
        cs += day;
    }
    const int hours = static_cast<int>(cs / 360000);
    const int minutes = static_cast<int>(cs / 6000 % 60);
    const int seconds = static_cast<int>(cs / 100 % 60);
    const int hundredths = static_cast<int>(cs % 100);
    std::string text;
    appendInt(text, hours, 2);
    appendInt(text, minutes, 2);
    appendInt(text, seconds, 2);
    text += '.';
    appendInt(text, hundredths, 2);
    return text;
}

std::string nmeaLatitude(double degrees, int minuteDecimals)
{
    return degreesMinutes(degrees, 2, minuteDecimals);
}

std::string nmeaLongitude(double degrees, int minuteDecimals)
{
    return degreesMinutes(degrees, 3, minuteDecimals);
}

std::string ggaSentence(const GgaFields& f, std::string_view talker)
{
    std::string body(talker);
    body += "GGA," + nmeaTime(f.centiseconds);
    if (f.noPosition) {
        body += ",,,,,0,00,,,M,,M,,";
        return nmeaSentence(body);
    }
    body += ',' + nmeaLatitude(f.latitude) + (f.latitude < 0 ? ",S" : ",N");
    body += ',' + nmeaLongitude(f.longitude) + (f.longitude < 0 ? ",W" : ",E");
    body += ',' + std::to_string(f.quality);
    body += ',' + formatInt(f.satellites % 100, 2);
    body += ',' + fixedDecimals(f.hdop, 1);
    body += ',' + fixedDecimals(f.heightMetres - f.geoidSeparation, 4) + ",M";
    body += ',' + fixedDecimals(f.geoidSeparation, 3) + ",M";
    body += ',' + (f.correctionAge < 0 ? std::string() : fixedDecimals(f.correctionAge, 1));
    body += ',' + f.station;
    return nmeaSentence(body);
}

std::string gnsSentence(const GgaFields& f, std::string_view modes)
{
    std::string body = "GNGNS," + nmeaTime(f.centiseconds);
    if (f.noPosition) {
        body += ",,,,,NN,00,,,,,,V";
        return nmeaSentence(body);
    }
    body += ',' + nmeaLatitude(f.latitude) + (f.latitude < 0 ? ",S" : ",N");
    body += ',' + nmeaLongitude(f.longitude) + (f.longitude < 0 ? ",W" : ",E");
    body += ',' + std::string(modes);
    body += ',' + formatInt(f.satellites % 100, 2);
    body += ',' + fixedDecimals(f.hdop, 1);
    body += ',' + fixedDecimals(f.heightMetres - f.geoidSeparation, 4);
    body += ',' + fixedDecimals(f.geoidSeparation, 3);
    body += ',' + (f.correctionAge < 0 ? std::string() : fixedDecimals(f.correctionAge, 1));
    body += ',' + f.station + ",V";
    return nmeaSentence(body);
}

std::string gstSentence(std::int64_t centiseconds, double sigmaLatitude, double sigmaLongitude,
                        double sigmaAltitude)
{
    return nmeaSentence("GNGST," + nmeaTime(centiseconds) + ",1.0,,,," +
                        fixedDecimals(sigmaLatitude, 3) + ',' + fixedDecimals(sigmaLongitude, 3) +
                        ',' + fixedDecimals(sigmaAltitude, 3));
}

std::string gsaSentence(int used, int firstPrn, int systemId)
{
    std::string body = "GNGSA,A,3";
    for (int i = 0; i < 12; ++i) {
        body += ',' + (i < used ? formatInt(firstPrn + i, 2) : std::string());
    }
    body += ",1.2,0.7,1.0," + std::to_string(systemId);
    return nmeaSentence(body);
}

std::string zdaSentence(std::int64_t centiseconds, std::string_view ddmmyy)
{
    const std::string date(ddmmyy);
    return nmeaSentence("GNZDA," + nmeaTime(centiseconds) + ',' + date.substr(0, 2) + ',' +
                        date.substr(2, 2) + ",20" + date.substr(4, 2) + ",00,00");
}

std::string llkSentence(const GridFields& f) { return gridSentence("GPLLK", f, 1); }

std::string llqSentence(const GridFields& f) { return gridSentence("GPLLQ", f, 3); }

std::string orpSentence(const OrpFields& f)
{
    const bool geodetic = f.coordinateKind == 0 || f.coordinateKind == 4;
    const int positionDecimals = geodetic ? 10 : 4;
    std::string body = "PNORP,2400,1," + std::to_string(f.coordinateKind) + ',' + std::to_string(f.status);
    body += ',' + nmeaTime(f.centiseconds) + ",0,0";
    body += ',' + fixedDecimals(f.error1, 4) + ',' + fixedDecimals(f.error2, 4) + ','
            + fixedDecimals(f.error3, 4);
    body += ',' + fixedDecimals(f.dop, 2);
    body += ',' + std::to_string(f.gpsSatellites) + ',' + std::to_string(f.glonassSatellites);
    body += ',' + fixedDecimals(f.first, positionDecimals) + ','
            + fixedDecimals(f.second, positionDecimals) + ',' + fixedDecimals(f.height, 4);
    body += ",0001";  // reference station id; the position field before it must end in a comma
    return nmeaSentence(body);
}

}  // namespace gnsslog
