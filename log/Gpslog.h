// The analysis result of one log file and the pipeline that builds it.
//
// Constructing a GNSSLog is the whole analysis: it reads the file, frames
// and decodes every solution, fixes the truth coordinates, measures every
// error and fills and sorts the five histograms, reporting its progress
// through a plain callback.
#pragma once

#include <cfloat>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "geodesy/GridFrame.h"
#include "log/quality/DataQuality.h"
#include "log/GnssRecord.h"
#include "log/formats/InputFormat.h"
#include "stats/Histogram.h"

namespace gnsslog {

// What the data quality and the reports say where truthUndefined().
inline constexpr const char* kAveragedTruthUndefined =
    "averaged truth undefined: no RTK-fixed records; choose first fix, manual or a reference";

// Progress report: phase text, position and total.
using ProgressCallback = void (*)(const char* phase, std::int32_t position, std::int32_t total);

namespace TruthMode {
inline constexpr std::uint8_t Averaged = 0;
inline constexpr std::uint8_t FirstFix = 1;
inline constexpr std::uint8_t Manual = 2;
}  // namespace TruthMode

class GNSSLog {
public:
    // Analyses the file. progress may be null. When the file cannot be
    // opened the analysis has no records and openError says why.
    // NMEA sentences with a wrong checksum are rejected unless
    // verifyNmeaChecksum is false.
    GNSSLog(const char* fileName, ProgressCallback progress, bool toKKJ, bool navcomBinary,
            std::uint8_t truthMode, double manualX, double manualY, double manualZ,
            bool verifyNmeaChecksum = true);

    // The analysis of a log in any format (log/formats/Formats.h).
    GNSSLog(const char* fileName, ProgressCallback progress, const DecodeOptions& decodeOptions,
            const InputFormat& format, std::uint8_t truthMode, double manualX, double manualY,
            double manualZ);

    // An empty analysis with the given settings, for building results in
    // tests and tools without a file.
    GNSSLog(std::uint8_t truthMode, double manualX, double manualY, double manualZ);

    // Truth coordinate of the current truthMode; 0 for an unknown mode.
    double truthX() const noexcept;
    double truthY() const noexcept;
    double truthZ() const noexcept;
    // The averaged truth of a log with records but no RTK-fixed one: its
    // coordinates are zeros, and errors against them mean nothing.
    bool truthUndefined() const noexcept;

    std::int32_t rtkFixCount = 0;
    std::int32_t fixLostCount = 0;
    double avgLatitude = 0;
    double avgLongitude = 0;
    double avgZ = 0;
    double avgX = 0;
    double avgY = 0;
    double firstFixX = 0;
    double firstFixY = 0;
    double firstFixZ = 0;
    double manualX = 0;
    double manualY = 0;
    double manualZ = 0;
    double maxErrorZ = 0;
    double maxErrorX = 0;
    double maxErrorY = 0;
    double startTime = DBL_MAX;
    double endTime = 0;
    std::uint8_t truthMode = 0;
    std::vector<GNSSRecord> records;
    // Receiver restarts the log marks (a start-up banner, an uptime or a
    // date going back): the index of the first record after each, rising,
    // each in 1 .. records.size() - 1.
    std::vector<std::size_t> restarts;
    // The log's own accuracy figures, record by record: empty for a log
    // that gives none, else as long as records (zeros where a record has
    // none; its ValidFlag bits say which).
    std::vector<AccuracyFigures> accuracy;
    // The figures of records[i]; zeros where the log gives none.
    AccuracyFigures accuracyOf(std::size_t i) const noexcept
    {
        return i < accuracy.size() ? accuracy[i] : AccuracyFigures{};
    }
    // Members are destroyed in reverse order: the histograms from
    // hist3DRtkx to histZ, then the records declared before them.
    Histogram histZ;
    Histogram histX;
    Histogram histY;
    Histogram hist3DFix;
    Histogram hist3DRtkx;

    // Empty when the file was read; otherwise names the file and the reason.
    std::string openError;

    // What the analysis found out about the log itself.
    DataQuality dataQuality;

    // The grid the errors are measured in, and for an Enu frame its tangent
    // point (the manual geodetic truth or the log's first position).
    GridFrame frame;
    GeodeticPosition frameOrigin;
    // False when geodetic positions were not converted at all (KKJ off).
    bool gridConverted = true;
};

}  // namespace gnsslog
