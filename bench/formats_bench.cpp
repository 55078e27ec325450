// End-to-end throughput of the u-blox UBX, Septentrio SBF, NovAtel and
// solution-file (.pos) formats: GNSSLog over a generated log file in the
// page cache, grid conversion on. Targets on the 2-core reference machine:
// UBX >= 500 MB/s, .pos >= 200 MB/s (the 100 MB runs; 8 MB for quick
// checks); SBF and NovAtel binary at least as fast as UBX, NovAtel ASCII
// at least as fast as NMEA (BM_EndToEndNmeaKKJ, GGA among other
// sentences), each pair compared in the same run. The logs are the
// generator's: UBX NAV-PVT with a NAV-HPPOSLLH beside half of them, among
// other UBX messages (raw measurements up to 1.2 kB) and NMEA sentences;
// SBF PVTGeodetic, PosCovGeodetic and DOP among measurement blocks up to
// 1.6 kB; NovAtel BESTPOS (and some BESTXYZ) among RANGE and other logs;
// the .pos log is lat/lon/height in degrees with dates.
// BM_PosDecode* time the decoder alone on one line of each style.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "log/formats/Formats.h"
#include "log/Gpslog.h"
#include "log/formats/pos/PosDecoder.h"
#include "log/formats/pos/PosFramer.h"
#include "tools/samplegen/LogGenerator.h"

namespace {

using namespace gnsslog;

struct GeneratedLog {
    std::string path;
    std::uint64_t bytes = 0;
};

// Generated once per process and removed at exit.
class GeneratedLogs {
public:
    ~GeneratedLogs()
    {
        for (const auto& [key, log] : logs_) {
            std::error_code ignored;
            std::filesystem::remove(log.path, ignored);
        }
    }

    const GeneratedLog& get(LogFormat format, std::uint64_t megabytes)
    {
        const auto key = std::make_pair(static_cast<int>(format), megabytes);
        auto it = logs_.find(key);
        if (it != logs_.end()) {
            return it->second;
        }
        GeneratorOptions options;
        options.format = format;
        options.targetBytes = megabytes << 20;
        options.seed = 11;
        GeneratedLog log;
        log.path = (std::filesystem::temp_directory_path() /
                    ("gnsslog-bench-" + std::to_string(::getpid()) + "-" +
                     std::to_string(static_cast<int>(format)) + "-" + std::to_string(megabytes) + ".log"))
                       .string();
        log.bytes = writeLog(options, log.path).bytes;
        return logs_.emplace(key, log).first->second;
    }

private:
    std::map<std::pair<int, std::uint64_t>, GeneratedLog> logs_;
};

GeneratedLogs& generatedLogs()
{
    static GeneratedLogs logs;
    return logs;
}

void runPipeline(benchmark::State& state, LogFormat format, const InputFormat& inputFormat)
{
    const GeneratedLog& file = generatedLogs().get(format, static_cast<std::uint64_t>(state.range(0)));
    std::size_t records = 0;
    for (auto _ : state) {
        const GNSSLog log(file.path.c_str(), nullptr, DecodeOptions{}, inputFormat, TruthMode::Averaged, 0,
                          0, 0);
        records = log.records.size();
        benchmark::DoNotOptimize(log.avgX);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.bytes));
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(file.bytes) / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
    state.counters["records"] = static_cast<double>(records);
}

void BM_EndToEndUbxKKJ(benchmark::State& state) { runPipeline(state, LogFormat::Ubx, ubxFormat()); }
void BM_EndToEndPosKKJ(benchmark::State& state) { runPipeline(state, LogFormat::Pos, posFormat()); }
void BM_EndToEndSbfKKJ(benchmark::State& state) { runPipeline(state, LogFormat::Sbf, sbfFormat()); }
void BM_EndToEndNovatelBinaryKKJ(benchmark::State& state)
{
    runPipeline(state, LogFormat::NovatelBinary, novatelFormat());
}
void BM_EndToEndNovatelAsciiKKJ(benchmark::State& state)
{
    runPipeline(state, LogFormat::NovatelAscii, novatelFormat());
}
void BM_EndToEndNmeaKKJ(benchmark::State& state) { runPipeline(state, LogFormat::Nmea, nmeaFormat()); }

// One solution line of a style, framed, decoded over and over.
void decodeLine(benchmark::State& state, const std::string& header, const std::string& line)
{
    const std::string text = header + "\n" + line + "\n";
    PosSniffer sniffer;
    std::vector<std::uint8_t> frame;
    for (const char c : text) {
        if (sniffer.feedByte(static_cast<std::uint8_t>(c)) == SnifferStatus::Complete) {
            frame.assign(sniffer.frameStart(), sniffer.frameStart() + sniffer.frameLength() + 1);
        }
    }
    const auto length = static_cast<std::int32_t>(frame.size() - 1);
    for (auto _ : state) {
        DecodedRecord record;
        benchmark::DoNotOptimize(decodePosFrame(record, frame.data(), length, true));
        benchmark::DoNotOptimize(record);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * length);
}

void BM_PosDecodeDegrees(benchmark::State& state)
{
    decodeLine(state,
               "%  GPST latitude(deg) longitude(deg) height(m) Q ns sdn(m) sde(m) sdu(m) sdne(m) sdeu(m) "
               "sdun(m) age(s) ratio",
               "2020/12/24 21:28:42.000   40.097025378 -105.147247371  1578.8456   2  11   1.4193   1.3913   "
               "2.9108  -0.4639   0.9795  -1.1219   0.00    0.0");
}

void BM_PosDecodeEcef(benchmark::State& state)
{
    decodeLine(state,
               "%  GPST x-ecef(m) y-ecef(m) z-ecef(m) Q ns sdx(m) sdy(m) sdz(m) sdxy(m) sdyz(m) sdzx(m) "
               "age(s) ratio",
               "2018/01/21 21:35:05.200   4201415.7037    194702.9458   4779022.0694   1   4   0.0097   "
               "0.0028   0.0073   0.0050   0.0043   0.0083   4.40    3.1");
}

BENCHMARK(BM_EndToEndUbxKKJ)->Arg(8)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EndToEndPosKKJ)->Arg(8)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EndToEndSbfKKJ)->Arg(8)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EndToEndNovatelBinaryKKJ)->Arg(8)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EndToEndNovatelAsciiKKJ)->Arg(8)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EndToEndNmeaKKJ)->Arg(8)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PosDecodeDegrees);
BENCHMARK(BM_PosDecodeEcef);

}  // namespace
