// The main window's summary line for a log measured against a reference.
#pragma once

#include <string>
#include <string_view>

#include "reference/ReferenceTrajectory.h"
#include "reference/TruthMatch.h"

namespace gnsslog {

// "Truth: reference trajectory NAME (FORMAT, SCALE time), M of N epochs
// matched (P %)", numbers without the locale.
std::string referenceTruthLine(std::string_view name, const ReferenceTrajectory& reference,
                               const TruthMatch& match);

}  // namespace gnsslog
