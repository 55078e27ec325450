// The sample generator's writers, one per kind of log it writes, each with
// the name of the registered log format that reads its logs. A format the
// analysis reads has at least one writer here (a test holds the two lists
// together).
#pragma once

#include <span>
#include <string_view>

#include "tools/samplegen/LogGenerator.h"

namespace gnsslog {

struct SampleWriter {
    std::string_view optionName;  // --format of gnsslog-samplegen
    LogFormat format;
    std::string_view readAs;  // the log format's registered name
};

// Every writer, in the order of LogFormat.
std::span<const SampleWriter> sampleWriters() noexcept;

// The first writer of logs the format of that registered name reads, or
// null.
const SampleWriter* findSampleWriter(std::string_view formatName) noexcept;

}  // namespace gnsslog
