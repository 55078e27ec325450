// Solution classes of the accuracy statistics: RTK fixed, RTK float, RTK-X,
// everything else, and all epochs together.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "log/GnssRecord.h"

namespace gnsslog {

// In report order. All holds every epoch.
enum class SolutionClass : std::uint8_t { RtkFixed = 0, RtkFloat, RtkX, Other, All };
inline constexpr std::size_t kSolutionClassCount = 5;
// The classes a record can be in: every one but All.
inline constexpr std::size_t kRecordClassCount = kSolutionClassCount - 1;
inline constexpr std::size_t kAllClassIndex = static_cast<std::size_t>(SolutionClass::All);

// Class index of each fixType: the record loop indexes instead of branching.
inline constexpr std::array<std::uint8_t, 256> kClassIndexOfFixType = [] {
    std::array<std::uint8_t, 256> table{};
    for (std::uint8_t& c : table) {
        c = static_cast<std::uint8_t>(SolutionClass::Other);
    }
    table[FixType::RtkFixed] = static_cast<std::uint8_t>(SolutionClass::RtkFixed);
    table[FixType::RtkFloat] = static_cast<std::uint8_t>(SolutionClass::RtkFloat);
    table[FixType::RtkX] = static_cast<std::uint8_t>(SolutionClass::RtkX);
    return table;
}();

// fixType 4, 5, 255 or anything else; never All.
SolutionClass solutionClassOf(std::uint8_t fixType) noexcept;
// Machine name ("rtkFixed", "rtkFloat", "rtkX", "other", "all").
const char* solutionClassKey(SolutionClass c) noexcept;
// Readable name ("RTK fixed", "RTK float", "RTK-X", "single/other", "all").
const char* solutionClassLabel(SolutionClass c) noexcept;

}  // namespace gnsslog
