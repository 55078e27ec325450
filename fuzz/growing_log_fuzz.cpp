// A log read as it grows against the analysis of the whole log, bit for
// bit once it has ended: records, accuracy figures, restarts, counts,
// averages, maxima, histograms and the data-quality text; and every
// hand-over before the end only adds records, never changes one.
//
// The first byte chooses the settings: the format (bits 0-2, in the
// registry's order, wrapping), an Enu frame whose tangent point comes from
// the log (bit 3) and the seed of the chunk sizes (bits 4-7: chunks of 1
// to 1 + 37 * seed bytes, a hand-over after every other chunk). The record
// list starts with room for three records, so it grows as the log's does.
// The rest is the log.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "log/ErrorPass.h"
#include "log/formats/Formats.h"
#include "log/Gpslog.h"
#include "log/GrowingLogReader.h"
#include "log/Pipeline.h"
#include "log/quality/DataQualityText.h"
#include "tests/support/Comparisons.h"

namespace {

using namespace gnsslog;

[[noreturn]] void fail(const std::string& why)
{
    std::fprintf(stderr, "growing log differs: %s\n", why.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::uint8_t selector = size > 0 ? data[0] : 0;
    const auto formats = inputFormats();
    const InputFormat& format = *formats[(selector & 0x07) % formats.size()];
    DecodeOptions options;
    if ((selector & 0x08) != 0) {
        options.frame = GridFrame{GridKind::Enu, 0};
    }
    const std::size_t longestChunk = 1 + 37 * static_cast<std::size_t>(selector >> 4);
    const std::uint8_t* content = size > 0 ? data + 1 : data;
    const std::size_t contentSize = size > 0 ? size - 1 : 0;

    GNSSLog whole(TruthMode::Averaged, 0, 0, 0);
    runPipelineOnBytes(whole, content, contentSize, nullptr, options, format, PipelineOptions{});

    GNSSLog shown(TruthMode::Averaged, 0, 0, 0);
    GrowingLogReader reader(format, options, 3);
    std::uint32_t random = selector;
    bool handOver = false;
    for (std::size_t at = 0; at < contentSize;) {
        random = random * 1664525u + 1013904223u;
        const std::size_t n = std::min<std::size_t>(1 + (random >> 8) % longestChunk, contentSize - at);
        reader.feed(content + at, n);
        at += n;
        handOver = !handOver;
        if (!handOver) {
            continue;
        }
        const std::size_t before = shown.records.size();
        reader.handOver(shown);
        if (shown.records.size() > whole.records.size()) {
            fail("more records than the whole log has");
        }
        for (std::size_t i = before; i < shown.records.size(); ++i) {
            if (!testing::sameRecord(shown.records[i], whole.records[i])) {
                fail("record " + std::to_string(i) + " at a hand-over");
            }
        }
    }
    reader.finish(shown);
    takeErrorFigures(shown, measureErrorFigures(shown, false));
    std::string why;
    if (!testing::sameAnalysis(shown, whole, &why)) {
        fail(why);
    }
    if (shown.restarts != whole.restarts) {
        fail("restarts");
    }
    if (dataQualityLines(shown.dataQuality) != dataQualityLines(whole.dataQuality)) {
        fail("data quality");
    }
    return 0;
}
