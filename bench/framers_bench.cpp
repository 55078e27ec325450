// Framer throughput over logs built here: about 4 MB of NavCom messages
// (mostly 84-byte "[PVT1B]" messages, some larger messages of other labels,
// a little garbage) or of NMEA sentences, fed byte by byte and in the
// pipeline's 1024-byte blocks. The pipeline feeds every byte of files of
// several gigabytes, so the NavCom framer should run well above 1 GB/s.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "log/formats/navcom/Crc16.h"
#include "log/formats/Framers.h"

namespace {

using gnsslog::NCTBINSniffer;
using gnsslog::NMEASniffer;
namespace SnifferStatus = gnsslog::SnifferStatus;

constexpr std::size_t LogBytes = 4u << 20;
constexpr std::size_t BlockBytes = 1024;

std::string navcomMessage(const std::string& label, std::size_t bodySize, std::mt19937& rng)
{
    std::string payload;
    const unsigned length = static_cast<unsigned>(9 + bodySize);
    payload += static_cast<char>(length & 0xFFu);
    payload += static_cast<char>(length >> 8);
    for (std::size_t i = 0; i < 7 + bodySize; ++i) {
        payload += static_cast<char>(rng());
    }
    char crc[5];
    std::snprintf(crc, sizeof crc, "%04X",
                  gnsslog::crc16Xmodem(reinterpret_cast<const std::uint8_t*>(payload.data()),
                                       payload.size()));
    return label + payload + "*" + crc + "\r";
}

const std::vector<std::uint8_t>& navcomLog()
{
    static const std::vector<std::uint8_t> log = [] {
        std::mt19937 rng(1);
        std::string text;
        while (text.size() < LogBytes) {
            const unsigned pick = rng() % 20;
            if (pick < 14) {
                text += navcomMessage("[PVT1B]", 62, rng);
            } else if (pick < 19) {
                text += navcomMessage(pick % 2 ? "[MEAS1B]" : "[CHNLSTATUS1B]", 200 + rng() % 400, rng);
            } else {
                for (int i = 0; i < 40; ++i) {
                    text += static_cast<char>(rng());
                }
            }
        }
        return std::vector<std::uint8_t>(text.begin(), text.end());
    }();
    return log;
}

const std::vector<std::uint8_t>& nmeaLog()
{
    static const std::vector<std::uint8_t> log = [] {
        std::string text;
        int second = 0;
        while (text.size() < LogBytes) {
            char line[128];
            std::snprintf(line, sizeof line,
                          "$GPGGA,%06d.00,6012.3456789,N,02454.3210987,E,4,12,0.9,25.123,M,17.5,M,1.0,0001*5C\r\n",
                          second++ % 240000);
            text += line;
        }
        return std::vector<std::uint8_t>(text.begin(), text.end());
    }();
    return log;
}

template <typename Sniffer>
void feedByteByByte(benchmark::State& state, const std::vector<std::uint8_t>& log)
{
    Sniffer sniffer;
    std::int64_t frames = 0;
    for (auto _ : state) {
        for (std::uint8_t byte : log) {
            if (sniffer.feedByte(byte) == SnifferStatus::Complete) {
                benchmark::DoNotOptimize(sniffer.frameStart());
                ++frames;
            }
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * log.size()));
    state.counters["frames"] = benchmark::Counter(static_cast<double>(frames) /
                                                  static_cast<double>(state.iterations()));
}

template <typename Sniffer>
void feedInBlocks(benchmark::State& state, const std::vector<std::uint8_t>& log)
{
    Sniffer sniffer;
    std::int64_t frames = 0;
    for (auto _ : state) {
        for (std::size_t block = 0; block < log.size(); block += BlockBytes) {
            const std::uint8_t* data = log.data() + block;
            std::size_t size = std::min(BlockBytes, log.size() - block);
            while (size > 0) {
                const std::size_t used = sniffer.feed(data, size);
                data += used;
                size -= used;
                if (sniffer.status() == SnifferStatus::Complete) {
                    benchmark::DoNotOptimize(sniffer.frameStart());
                    ++frames;
                }
            }
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * log.size()));
    state.counters["frames"] = benchmark::Counter(static_cast<double>(frames) /
                                                  static_cast<double>(state.iterations()));
}

void BM_NavcomFeedByte(benchmark::State& state)
{
    feedByteByByte<NCTBINSniffer>(state, navcomLog());
}
BENCHMARK(BM_NavcomFeedByte)->Unit(benchmark::kMillisecond);

void BM_NavcomFeedBlocks(benchmark::State& state)
{
    feedInBlocks<NCTBINSniffer>(state, navcomLog());
}
BENCHMARK(BM_NavcomFeedBlocks)->Unit(benchmark::kMillisecond);

void BM_NmeaFeedByte(benchmark::State& state)
{
    feedByteByByte<NMEASniffer>(state, nmeaLog());
}
BENCHMARK(BM_NmeaFeedByte)->Unit(benchmark::kMillisecond);

void BM_NmeaFeedBlocks(benchmark::State& state)
{
    feedInBlocks<NMEASniffer>(state, nmeaLog());
}
BENCHMARK(BM_NmeaFeedBlocks)->Unit(benchmark::kMillisecond);

void BM_Crc16Xmodem(benchmark::State& state)
{
    const std::vector<std::uint8_t>& log = navcomLog();
    const std::size_t size = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(gnsslog::crc16Xmodem(log.data(), size));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_Crc16Xmodem)->Arg(71)->Arg(64 << 10);

}  // namespace
