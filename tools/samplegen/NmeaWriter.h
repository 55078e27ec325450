// Writers for the NMEA sentences of sample logs: the frame ("$", body, "*",
// two-digit XOR checksum, CR LF) and the number formats of GGA, LLK, LLQ
// and ORP. No number follows the process locale: the decimal point is '.'.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace gnsslog {

// "$" + body + "*" + two upper-case hex digits of the XOR of every body byte
// + "\r\n". The body is everything between "$" and "*", e.g. "GPGGA,...".
std::string nmeaSentence(std::string_view bodyWithoutDollar);

// XOR of the bytes of a sentence body.
std::uint8_t nmeaChecksum(std::string_view bodyWithoutDollar) noexcept;

// Time of day from centiseconds since midnight (reduced modulo one day):
// "hhmmss.ss".
std::string nmeaTime(std::int64_t centiseconds);

// Latitude (degrees, 0 <= |lat| < 90) as "ddmm.mmmm..." with the given number
// of decimals of minutes; the sign is dropped (the hemisphere letter says it).
std::string nmeaLatitude(double degrees, int minuteDecimals = 8);

// Longitude (degrees, 0 <= |lon| < 180) as "dddmm.mmmm...".
std::string nmeaLongitude(double degrees, int minuteDecimals = 8);

// printf("%.*f") in the C locale, whatever the process locale.
std::string fixedDecimals(double value, int decimals);

// GGA: position fix data. heightMetres is above the ellipsoid; the sentence
// carries heightMetres - geoidSeparation as altitude plus the separation.
struct GgaFields {
    std::int64_t centiseconds = 0;    // time of day
    double latitude = 0;              // degrees, WGS84
    double longitude = 0;             // degrees, WGS84
    int quality = 0;                  // 0 no fix, 1 single, 2 DGPS, 4 RTK fixed, 5 RTK float
    int satellites = 0;
    double hdop = 0;
    double heightMetres = 0;          // ellipsoidal height
    double geoidSeparation = 0;       // metres
    double correctionAge = -1;        // seconds; negative leaves the field empty
    std::string station = "0000";     // reference station id; "0026" marks RTK-X
    bool noPosition = false;          // true: time only, every position field empty
};
std::string ggaSentence(const GgaFields& fields, std::string_view talker = "GP");

// GNS: the fields of a GGA (quality and station unused) with one mode
// character per system ("RR": GPS and GLONASS RTK fixed).
std::string gnsSentence(const GgaFields& fields, std::string_view modes);

// GST with the error ellipse left empty, as many receivers write it.
std::string gstSentence(std::int64_t centiseconds, double sigmaLatitude, double sigmaLongitude,
                        double sigmaAltitude);

// GSA of one system (NMEA 4.10 system ID) naming `used` PRNs from
// firstPrn on (at most twelve).
std::string gsaSentence(int used, int firstPrn, int systemId);

// ZDA with its date, ddmmyy read as day, month and 20yy.
std::string zdaSentence(std::int64_t centiseconds, std::string_view ddmmyy);

// LLK (grid position with DOP) and LLQ (grid position with position quality).
struct GridFields {
    std::int64_t centiseconds = 0;
    int day = 1, month = 1, year = 26;  // date field, not decoded
    double gridX = 0;                 // metres (northing)
    double gridY = 0;                 // metres (easting)
    int quality = 0;                  // 0 no fix, 1 single, 2 RTK float, 3 RTK fixed
    int satellites = 0;
    double dopOrQuality = 0;          // LLK: DOP; LLQ: position quality, metres
    double height = 0;                // metres
};
std::string llkSentence(const GridFields& fields);
std::string llqSentence(const GridFields& fields);

// ORP: position with error components and satellite counts. Kind 0 carries
// latitude, longitude (signed decimal degrees) and height; kind 2 grid X, Y
// and height. Status 254 is RTK fixed.
struct OrpFields {
    std::int64_t centiseconds = 0;
    int coordinateKind = 0;           // 0 or 4 geodetic, 1..3 grid
    int status = 254;
    double error1 = 0, error2 = 0, error3 = 0;  // metres
    double dop = 0;
    int gpsSatellites = 0;
    int glonassSatellites = 0;
    double first = 0;                 // latitude (degrees) or grid X (metres)
    double second = 0;                // longitude (degrees) or grid Y (metres)
    double height = 0;                // metres
};
std::string orpSentence(const OrpFields& fields);

}  // namespace gnsslog
