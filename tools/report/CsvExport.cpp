#include "tools/report/CsvExport.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>

#include "common/FormatNumber.h"

namespace gnsslog {

namespace {

constexpr int kRoundTripDigits = 17;             // significant digits that read back any double
constexpr std::size_t kFlushBytes = 1 << 20;     // written to the stream in pieces of about this
constexpr std::size_t kLongestRow = 9 * 25 + 7 * 4;  // nine doubles and seven small integers

}  // namespace

const char* recordsCsvHeader() noexcept
{
    return "time,latitude,longitude,height,localX,localY,dop,correctionAge,errorEstimate,"
           "fixType,gpsSatellites,glonassSatellites,satellites,validFlags,fixChange,valid";
}

bool writeRecordsCsv(std::ostream& out, const std::vector<GNSSRecord>& records)
{
    out << recordsCsvHeader() << '\n';
    // Rows are formatted into one buffer and written in large pieces, so a
    // log of millions of records does not pay for a stream call per field.
    std::string buffer;
    buffer.reserve(kFlushBytes + kLongestRow);
    for (const GNSSRecord& r : records) {
        for (double value : {r.time, r.latitude, r.longitude, r.height, r.localX, r.localY, r.dop,
                             r.correctionAge, r.errorEstimate}) {
            appendGeneral(buffer, value, kRoundTripDigits);
            buffer += ',';
        }
        const std::int64_t integers[] = {r.fixType,    r.gpsSatellites, r.glonassSatellites,
                                         r.satellites, r.validFlags,    r.fixChange,
                                         r.valid};
        for (std::size_t i = 0; i < std::size(integers); ++i) {
            appendInt(buffer, integers[i]);
            buffer += i + 1 < std::size(integers) ? ',' : '\n';
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

}  // namespace gnsslog
