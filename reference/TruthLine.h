// The main window's summary line for a log measured against a reference.
#pragma once

#include <string>
#include <string_view>

#include "reference/TruthMatch.h"

namespace gnsslog {

// "Truth: reference NAME, M of N epochs matched (P %)", numbers without
// the locale; short enough for the main window's width with a long name.
std::string referenceTruthLine(std::string_view name, const TruthMatch& match);

}  // namespace gnsslog
