// decodeNmeaSentence on arbitrary writable texts up to the framer's limit
// of 511 characters.
// See fuzz/FuzzTargets.h for the checks.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    gnsslog::fuzz::fuzzNmeaDecoder(data, size);
    return 0;
}
