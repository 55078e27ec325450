// End-to-end pipeline throughput: GNSSLog over a generated log file that
// sits in the page cache, with the grid conversion on.
//
// Targets on the 2-core reference machine: NavCom + KKJ >= 900 MB/s, NMEA
// GGA (20 % other sentences) + KKJ >= 500 MB/s, both at about 300 MB; the
// 8 MB runs are for quick checks. BM_Cat* times `cat` of the same files for
// a yardstick of the machine. Peak memory: at most
// 1.2 x records x sizeof(GNSSRecord) + 64 MB, and page faults at most 1.1 x
// the record memory's pages, both measured by running one analysis in a
// child process and reading its rusage.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <utility>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "log/formats/Formats.h"
#include "log/Gpslog.h"
#include "tools/samplegen/LogGenerator.h"

namespace {

using gnsslog::GeneratorOptions;
using gnsslog::GNSSLog;
using gnsslog::GNSSRecord;
using gnsslog::LogFormat;
using gnsslog::NmeaSolution;

struct LogFile {
    std::string path;
    std::uint64_t bytes = 0;
};

// Generated once per process and removed at exit.
class LogFiles {
public:
    ~LogFiles()
    {
        for (const auto& [key, file] : files_) {
            std::error_code ignored;
            std::filesystem::remove(file.path, ignored);
        }
    }

    const LogFile& get(LogFormat format, std::uint64_t megabytes)
    {
        const auto key = std::make_pair(format == LogFormat::Navcom, megabytes);
        auto it = files_.find(key);
        if (it != files_.end()) {
            return it->second;
        }
        GeneratorOptions options;
        options.format = format;
        options.nmeaSolution = NmeaSolution::Gga;
        if (format == LogFormat::Nmea) {
            options.noiseShare = 0.2;
        }
        options.targetBytes = megabytes << 20;
        options.seed = 7;
        LogFile file;
        file.path = (std::filesystem::temp_directory_path() /
                     ("gnsslog-bench-" + std::to_string(::getpid()) + "-" +
                      (format == LogFormat::Navcom ? "navcom-" : "nmea-") +
                      std::to_string(megabytes) + ".log"))
                        .string();
        file.bytes = gnsslog::writeLog(options, file.path).bytes;
        return files_.emplace(key, file).first->second;
    }

private:
    std::map<std::pair<bool, std::uint64_t>, LogFile> files_;
};

LogFiles& logFiles()
{
    static LogFiles files;
    return files;
}

struct ChildMeasure {
    double peakMiB = 0;
    std::size_t records = 0;
    std::uint64_t pageFaults = 0;  // during the analysis only
};

// Peak resident memory and page faults of one analysis, measured in a child
// so earlier runs and the benchmark's own memory do not count.
ChildMeasure measureInChild(const LogFile& file, bool navcom)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return {0, 0};
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        std::uint64_t result[3] = {0, 0, 0};
        {
            rusage before{};
            ::getrusage(RUSAGE_SELF, &before);
            const GNSSLog log(file.path.c_str(), nullptr, true, navcom, 0, 0, 0, 0);
            result[1] = log.records.size();
            rusage usage{};
            ::getrusage(RUSAGE_SELF, &usage);
            result[0] = static_cast<std::uint64_t>(usage.ru_maxrss);  // KiB
            result[2] = static_cast<std::uint64_t>(usage.ru_minflt + usage.ru_majflt -
                                                   before.ru_minflt - before.ru_majflt);
        }
        const ssize_t ignored = ::write(pipeFds[1], result, sizeof result);
        (void)ignored;
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::uint64_t result[3] = {0, 0, 0};
    if (child < 0 || ::read(pipeFds[0], result, sizeof result) != sizeof result) {
        result[0] = result[1] = result[2] = 0;
    }
    ::close(pipeFds[0]);
    if (child > 0) {
        int status = 0;
        ::waitpid(child, &status, 0);
    }
    return {static_cast<double>(result[0]) / 1024.0, static_cast<std::size_t>(result[1]),
            result[2]};
}

void runPipeline(benchmark::State& state, LogFormat format)
{
    const std::uint64_t megabytes = static_cast<std::uint64_t>(state.range(0));
    const LogFile& file = logFiles().get(format, megabytes);
    const bool navcom = format == LogFormat::Navcom;
    std::size_t records = 0;
    for (auto _ : state) {
        const GNSSLog log(file.path.c_str(), nullptr, true, navcom, 0, 0, 0, 0);
        records = log.records.size();
        benchmark::DoNotOptimize(log.avgX);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.bytes));
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(file.bytes) / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
    state.counters["records"] = static_cast<double>(records);
    const ChildMeasure child = measureInChild(file, navcom);
    const double recordBytes = static_cast<double>(child.records * sizeof(GNSSRecord));
    const double recordMiB = recordBytes / (1024.0 * 1024.0);
    const double pageBytes = static_cast<double>(::sysconf(_SC_PAGESIZE));
    state.counters["peakRSS_MiB"] = child.peakMiB;
    state.counters["faults_per_record_page"] =
        recordBytes > 0 ? static_cast<double>(child.pageFaults) / (recordBytes / pageBytes) : 0;
    state.counters["limit_MiB"] = 1.2 * recordMiB + 64;
    state.counters["records_MiB"] = recordMiB;
    state.counters["sizeofRecord"] = static_cast<double>(sizeof(GNSSRecord));
}

// `cat` of the same file to /dev/null: what reading it costs on this
// machine, the yardstick for the pipeline's figures.
void catFile(benchmark::State& state, LogFormat format)
{
    const LogFile& file = logFiles().get(format, static_cast<std::uint64_t>(state.range(0)));
    const std::string command = "cat '" + file.path + "' > /dev/null";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("cat failed");
            return;
        }
    }
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(file.bytes) / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}

void BM_CatNavcom(benchmark::State& state) { catFile(state, LogFormat::Navcom); }
void BM_CatNmea(benchmark::State& state) { catFile(state, LogFormat::Nmea); }

void BM_PipelineNavcomKKJ(benchmark::State& state) { runPipeline(state, LogFormat::Navcom); }
void BM_PipelineNmeaGgaKKJ(benchmark::State& state) { runPipeline(state, LogFormat::Nmea); }

// The same analyses in other grids: targets tm35fin (PROJ) within 20 % of
// KKJ's time, enu at least as fast as KKJ. Arguments: megabytes, grid
// (0 KKJ, 1 enu, 2 tm35fin).
void runPipelineInFrame(benchmark::State& state, LogFormat format)
{
    const LogFile& file = logFiles().get(format, static_cast<std::uint64_t>(state.range(0)));
    gnsslog::DecodeOptions options;
    switch (state.range(1)) {
    case 1: options.frame = gnsslog::GridFrame{gnsslog::GridKind::Enu, 0}; break;
    case 2: options.frame = gnsslog::GridFrame{gnsslog::GridKind::Projected, gnsslog::kEpsgTm35fin}; break;
    default: break;
    }
    const gnsslog::InputFormat& inputFormat =
        format == LogFormat::Navcom ? gnsslog::navcomFormat() : gnsslog::nmeaFormat();
    std::size_t records = 0;
    for (auto _ : state) {
        const GNSSLog log(file.path.c_str(), nullptr, options, inputFormat, 0, 0, 0, 0);
        records = log.records.size();
        benchmark::DoNotOptimize(log.avgX);
    }
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(file.bytes) / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
    state.counters["records"] = static_cast<double>(records);
}

void BM_PipelineNavcomFrame(benchmark::State& state) { runPipelineInFrame(state, LogFormat::Navcom); }
void BM_PipelineNmeaGgaFrame(benchmark::State& state) { runPipelineInFrame(state, LogFormat::Nmea); }

BENCHMARK(BM_PipelineNavcomFrame)
    ->ArgNames({"MB", "grid"})
    ->ArgsProduct({{64}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_PipelineNmeaGgaFrame)
    ->ArgNames({"MB", "grid"})
    ->ArgsProduct({{64}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK(BM_PipelineNavcomKKJ)->Arg(8)->Arg(300)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PipelineNmeaGgaKKJ)->Arg(8)->Arg(300)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CatNavcom)->Arg(300)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CatNmea)->Arg(300)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
