// A target whose property fails on every input: the test run replays it to
// show that a failure inside a target fails the replay.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t*, std::size_t)
{
    std::fprintf(stderr, "property failed on purpose\n");
    std::abort();
}
