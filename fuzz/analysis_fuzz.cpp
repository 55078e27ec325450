// The whole analysis of an arbitrary file in both parsing modes, then the
// summary texts and the error plot series of the result.
// See fuzz/FuzzTargets.h for the checks.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    gnsslog::fuzz::fuzzAnalysis(data, size);
    return 0;
}
