#include "tools/report/writers/CsvExport.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>

#include "common/FormatNumber.h"

namespace gnsslog {

namespace {

constexpr int kRoundTripDigits = 17;             // significant digits that read back any double
constexpr std::size_t kFlushBytes = 1 << 20;     // written to the stream in pieces of about this
constexpr std::size_t kLongestRow = 14 * 25 + 8 * 4;  // up to 14 doubles and 8 small integers

void appendRecord(std::string& buffer, const GNSSRecord& r)
{
    for (double value : {r.time, r.latitude, r.longitude, r.height, r.localX, r.localY, r.dop,
                         r.correctionAge, r.errorEstimate}) {
        appendGeneral(buffer, value, kRoundTripDigits);
        buffer += ',';
    }
    // The flags of the groups these columns hold: the sigmas and
    // protection levels have no column here.
    const std::uint32_t flags =
        r.validFlags & ~(ValidFlag::AxisSigmas | ValidFlag::ProtectionLevels);
    const std::int64_t integers[] = {r.fixType,    r.gpsSatellites, r.glonassSatellites,
                                     r.satellites, flags,           r.fixChange,
                                     r.valid};
    for (std::size_t i = 0; i < std::size(integers); ++i) {
        appendInt(buffer, integers[i]);
        buffer += i + 1 < std::size(integers) ? ',' : '\n';
    }
}

// A field of the truth columns: the value or nothing.
void appendOptional(std::string& buffer, double value, bool present)
{
    buffer += ',';
    if (present) {
        appendGeneral(buffer, value, kRoundTripDigits);
    }
}

void appendTruth(std::string& buffer, const RecordTruth& truth)
{
    buffer.pop_back();  // the record's line end
    const bool available = truth.hasPosition && truth.cause == TruthCause::Matched;
    const TrackError& e = truth.error;
    appendOptional(buffer, e.north, available);
    appendOptional(buffer, e.east, available);
    appendOptional(buffer, e.up, available);
    appendOptional(buffer, e.along, available && e.hasDirection);
    appendOptional(buffer, e.cross, available && e.hasDirection);
    buffer += available ? ",1\n" : ",0\n";
}

// Header and rows; with truths, one per record, the truth columns too.
bool writeRows(std::ostream& out, const std::vector<GNSSRecord>& records,
               const std::vector<RecordTruth>* truths)
{
    out << recordsCsvHeader() << (truths != nullptr ? recordsTruthCsvHeader() : "") << '\n';
    // Rows are formatted into one buffer and written in large pieces, so a
    // log of millions of records does not pay for a stream call per field.
    std::string buffer;
    buffer.reserve(kFlushBytes + kLongestRow);
    const RecordTruth none;
    for (std::size_t i = 0; i < records.size(); ++i) {
        appendRecord(buffer, records[i]);
        if (truths != nullptr) {
            appendTruth(buffer, i < truths->size() ? (*truths)[i] : none);
        }
        if (buffer.size() > kFlushBytes) {
            out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
            buffer.clear();
        }
    }
    out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    out.flush();
    return static_cast<bool>(out);
}

}  // namespace

const char* recordsCsvHeader() noexcept
{
    return "time,latitude,longitude,height,localX,localY,dop,correctionAge,errorEstimate,"
           "fixType,gpsSatellites,glonassSatellites,satellites,validFlags,fixChange,valid";
}

bool writeRecordsCsv(std::ostream& out, const std::vector<GNSSRecord>& records)
{
    return writeRows(out, records, nullptr);
}

const char* recordsTruthCsvHeader() noexcept
{
    return ",errorNorth,errorEast,errorUp,errorAlong,errorCross,truthAvailable";
}

bool writeRecordsCsv(std::ostream& out, const std::vector<GNSSRecord>& records,
                     const TruthMatch& match)
{
    return writeRows(out, records, &match.records);
}

}  // namespace gnsslog
