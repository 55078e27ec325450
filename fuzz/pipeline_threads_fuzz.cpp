// The analysis with decoding shared between two threads against the plain
// single-threaded analysis of the same bytes, bit for bit: records, counts,
// averages, maxima, histograms.
//
// The first byte chooses the settings: NavCom or NMEA (bit 0), the KKJ flag
// (bit 1), the truth mode (bits 2-3), who decodes (bits 4-5: the reader
// always, after one waiting batch, never) and the batch size (bits 6-7:
// 64, 300, 600 or 4096 bytes, so that even small inputs fill many
// batches). The record store starts with room for three records, so it
// grows as the log's does. The rest is the log.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "log/Gpslog.h"
#include "log/Pipeline.h"
#include "tests/support/Comparisons.h"

namespace {

using namespace gnsslog;

constexpr double kManualX = 6672000.0;  // metres, KKJ grid
constexpr double kManualY = 2500000.0;
constexpr double kManualZ = 45.0;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    constexpr std::size_t backlogs[] = {0, 1, SIZE_MAX, 2};
    constexpr std::size_t batchBytes[] = {64, 300, 600, 4096};
    const std::uint8_t selector = size > 0 ? data[0] : 0;
    const bool navcom = (selector & 0x01) != 0;
    const bool toKKJ = (selector & 0x02) != 0;
    const auto truthMode = static_cast<std::uint8_t>((selector >> 2) & 0x03);
    const std::uint8_t* content = size > 0 ? data + 1 : data;
    const std::size_t contentSize = size > 0 ? size - 1 : 0;

    PipelineOptions plainOptions;
    plainOptions.decodeWorker = false;
    PipelineOptions threadedOptions;
    threadedOptions.workerMinFileSize = 0;
    threadedOptions.reservedRecords = 3;
    threadedOptions.backlogToDecodeHere = backlogs[(selector >> 4) & 0x03];
    threadedOptions.batchBytes = batchBytes[(selector >> 6) & 0x03];

    GNSSLog plain(truthMode, kManualX, kManualY, kManualZ);
    runPipelineOnBytes(plain, content, contentSize, nullptr, toKKJ, navcom, plainOptions);
    GNSSLog threaded(truthMode, kManualX, kManualY, kManualZ);
    runPipelineOnBytes(threaded, content, contentSize, nullptr, toKKJ, navcom, threadedOptions);
    std::string why;
    if (!testing::sameAnalysis(plain, threaded, &why)) {
        std::fprintf(stderr, "threaded pipeline differs: %s\n", why.c_str());
        std::abort();
    }
    return 0;
}
