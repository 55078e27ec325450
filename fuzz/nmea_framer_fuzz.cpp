// NMEASniffer fed arbitrary bytes: byte by byte, in one block and in uneven
// chunks.
// See fuzz/FuzzTargets.h for the checks.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    gnsslog::fuzz::fuzzNmeaFramer(data, size);
    return 0;
}
