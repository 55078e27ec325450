// Per-call cost of the two decoders, with and without the grid conversion.
// Throughput is reported in bytes of message, to compare with the
// pipeline's 300 MB/s (NMEA) and 400 MB/s (NavCom) targets.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "log/formats/nmea/NmeaDecoder.h"
#include "log/formats/NumberFields.h"
#include "log/formats/navcom/Pvt1bDecoder.h"

namespace {

std::vector<std::uint8_t> pvt1bFrame()
{
    // 78 bytes of fields plus "]" and four CRC digits, as framed.
    std::vector<std::uint8_t> frame(83, 0);
    std::memcpy(frame.data(), "[PVT1B]", 7);
    auto put = [&frame](std::size_t off, std::size_t size, std::uint32_t v) {
        for (std::size_t i = 0; i < size; ++i) {
            frame[off + i] = static_cast<std::uint8_t>(v >> (8 * i));
        }
    };
    put(7, 2, 67);
    put(11, 4, 45319000);
    put(16, 1, 0x01);
    put(17, 4, 442368123);  // about 60 N
    put(21, 4, 176947456);  // about 24 E
    put(25, 1, 0x8F);
    put(26, 4, 100500);
    put(30, 3, 0xFFFFFF);
    put(33, 2, 20);
    put(35, 2, 25);
    put(37, 2, 40);
    put(39, 1, 9);
    put(40, 1, 12);
    put(41, 1, 15);
    put(51, 1, 14);
    put(52, 1, 0x70);
    put(53, 2, 1);
    put(66, 4, 0x00F3A1C4);
    put(74, 4, 0x0000F0F1);
    std::memcpy(frame.data() + 78, "]1A2B", 5);
    return frame;
}

void BM_DecodePvt1b(benchmark::State& state)
{
    const bool toKKJ = state.range(0) != 0;
    const std::vector<std::uint8_t> frame = pvt1bFrame();
    const auto length = static_cast<std::int32_t>(frame.size());
    for (auto _ : state) {
        gnsslog::GNSSRecord record;
        gnsslog::decodePVT1B(record, frame.data(), length, toKKJ);
        benchmark::DoNotOptimize(record);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * length);
}
BENCHMARK(BM_DecodePvt1b)->ArgName("toKKJ")->Arg(0)->Arg(1);

void BM_DecodeNmeaGga(benchmark::State& state)
{
    const bool toKKJ = state.range(0) != 0;
    // The decoder leaves the text as it was, so one copy serves every call.
    std::string sentence = "$GPGGA,123519.00,6007.03812,N,02431.00045,E,4,12,0.9,545.412,M,46.913,M,1.2,0026*47";
    for (auto _ : state) {
        gnsslog::DecodedRecord record;
        gnsslog::decodeNmeaSentence(record, sentence.data(), toKKJ);
        benchmark::DoNotOptimize(record);
    }
    // Plus CR LF, which the framer strips.
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(sentence.size() + 2));
}
BENCHMARK(BM_DecodeNmeaGga)->ArgName("toKKJ")->Arg(0)->Arg(1);

void BM_ParseDecimal(benchmark::State& state)
{
    const char* const fields[] = {"6007.03812", "545.412", "0.9", "46.913", "1.2", "123519.00"};
    for (auto _ : state) {
        for (const char* field : fields) {
            benchmark::DoNotOptimize(gnsslog::parseDecimal(field, std::strlen(field)));
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 6);
}
BENCHMARK(BM_ParseDecimal);

}  // namespace
