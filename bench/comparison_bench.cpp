// Several logs compared in one run against the same logs one after the
// other, and what each analysis' own decode thread adds when two analyses
// already share the two cores.
//
// Eight generated NavCom logs of 20 MB in the page cache (scripts/
// bench-compare runs the report tool on eight 100 MB logs). Target on the
// 2-core reference machine: together <= 0.6 x one after the other.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "compare/LogComparison.h"
#include "tools/samplegen/LogGenerator.h"

namespace {

constexpr int kLogs = 8;
constexpr std::uint64_t kLogBytes = 20'000'000;

// Generated once per process and removed at exit.
class ComparedLogs {
public:
    ComparedLogs()
    {
        dir_ = std::filesystem::temp_directory_path() /
               ("gnsslog-comparison-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir_);
        for (int i = 0; i < kLogs; ++i) {
            gnsslog::GeneratorOptions options;
            options.targetBytes = kLogBytes;
            options.seed = static_cast<std::uint64_t>(i + 1);
            files_.push_back((dir_ / ("log" + std::to_string(i) + ".pvt1b")).string());
            gnsslog::writeLog(options, files_.back());
        }
    }
    ~ComparedLogs()
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    const std::vector<std::string>& files() const { return files_; }

private:
    std::filesystem::path dir_;
    std::vector<std::string> files_;
};

const std::vector<std::string>& logs()
{
    static const ComparedLogs compared;
    return compared.files();
}

void setBytes(benchmark::State& state)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kLogs *
                            static_cast<std::int64_t>(kLogBytes));
}

// Each log alone, as eight single-log runs would: both cores per log.
void BM_CompareOneAfterTheOther(benchmark::State& state)
{
    const std::vector<std::string>& files = logs();
    gnsslog::ComparisonSettings settings;
    settings.concurrency = 1;
    for (auto _ : state) {
        for (const std::string& file : files) {
            benchmark::DoNotOptimize(gnsslog::compareLogs({file}, settings));
        }
    }
    setBytes(state);
}
BENCHMARK(BM_CompareOneAfterTheOther)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// All in one call: range(0) logs at once, range(1) 1 to keep each
// analysis' decode thread.
void BM_CompareTogether(benchmark::State& state)
{
    const std::vector<std::string>& files = logs();
    gnsslog::ComparisonSettings settings;
    settings.concurrency = static_cast<unsigned>(state.range(0));
    settings.decodeWorkerWhenConcurrent = state.range(1) != 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(gnsslog::compareLogs(files, settings));
    }
    setBytes(state);
}
BENCHMARK(BM_CompareTogether)
    ->Args({2, 0})
    ->Args({2, 1})
    ->Args({4, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

}  // namespace
