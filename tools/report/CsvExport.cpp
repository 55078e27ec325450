#include "tools/report/CsvExport.h"

#include <cstdio>
#include <string>

namespace gnsslog {

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
    buffer.reserve(1 << 20);
    char row[512];
    for (const GNSSRecord& r : records) {
        const int n = std::snprintf(row, sizeof row,
                                    "%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%u,%d,%d,%d,%u,%u,%u\n",
                                    r.time, r.latitude, r.longitude, r.height, r.localX, r.localY, r.dop,
                                    r.correctionAge, r.errorEstimate, static_cast<unsigned>(r.fixType),
                                    static_cast<int>(r.gpsSatellites), static_cast<int>(r.glonassSatellites),
                                    static_cast<int>(r.satellites), static_cast<unsigned>(r.validFlags),
                                    static_cast<unsigned>(r.fixChange), static_cast<unsigned>(r.valid));
        if (n > 0) {
            buffer.append(row, static_cast<std::size_t>(n) < sizeof row ? static_cast<std::size_t>(n) : sizeof row - 1);
        }
        if (buffer.size() > (1 << 20) - sizeof row) {
            out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
            buffer.clear();
        }
    }
    out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    out.flush();
    return static_cast<bool>(out);
}

}  // namespace gnsslog
