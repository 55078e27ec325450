// decodePVT1B on every frame the NavCom framer publishes from arbitrary
// bytes, and on arbitrary bytes behind a "[PVT1B]" label.
// See fuzz/FuzzTargets.h for the checks.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    gnsslog::fuzz::fuzzPvt1b(data, size);
    return 0;
}
