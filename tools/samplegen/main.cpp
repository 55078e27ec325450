// gnsslog-samplegen: writes a deterministic sample log.
#include <cstdio>
#include <exception>
#include <string>

#include <CLI/CLI.hpp>

#include "tools/samplegen/LogGenerator.h"
#include "tools/samplegen/SamplegenOptions.h"

int main(int argc, char** argv)
{
    gnsslog::GeneratorOptions options;
    gnsslog::SamplegenFiles files;
    CLI::App app{gnsslog::kSamplegenDescription, "gnsslog-samplegen"};
    gnsslog::addSamplegenOptions(app, options, files);
    CLI11_PARSE(app, argc, argv);
    const std::string usage = gnsslog::samplegenUsageError(app, options, files);
    if (!usage.empty()) {
        std::fprintf(stderr, "gnsslog-samplegen: %s\n", usage.c_str());
        return 2;
    }

    try {
        const gnsslog::GeneratorStats stats = gnsslog::writeLogAndReference(options, files.out, files.reference);
        std::printf("%llu bytes, %llu records (%llu RTK fixed, %llu RTK-X), fix lost %llu times\n",
                    static_cast<unsigned long long>(stats.bytes), static_cast<unsigned long long>(stats.validRecords),
                    static_cast<unsigned long long>(stats.fixedRecords),
                    static_cast<unsigned long long>(stats.rtkxRecords),
                    static_cast<unsigned long long>(stats.fixLosses));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "gnsslog-samplegen: %s\n", error.what());
        return 2;
    }
    return 0;
}
