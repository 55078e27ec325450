#include "reference/TruthLine.h"

#include <cstdint>

#include "common/FormatNumber.h"

namespace gnsslog {

std::string referenceTruthLine(std::string_view name, const TruthMatch& match)
{
    std::string line = "Truth: reference ";
    line += name;
    line += ", ";
    line += formatInt(static_cast<std::int64_t>(match.count(TruthCause::Matched))) + " of " +
            formatInt(static_cast<std::int64_t>(match.withPosition)) + " epochs matched (" +
            formatFixed(match.coverage() * 100, 1) + " %)";
    return line;
}

}  // namespace gnsslog
