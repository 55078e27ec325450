// How the fuzz targets state their properties: a broken one prints where
// and what, then aborts, so libFuzzer keeps the input and a replay fails.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace gnsslog::testing {

[[noreturn]] inline void propertyFailed(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, what);
    std::abort();
}

}  // namespace gnsslog::testing

#define FUZZ_CHECK(condition) \
    ((condition) ? void(0) : ::gnsslog::testing::propertyFailed(#condition, __FILE__, __LINE__))
