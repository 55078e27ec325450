// Numbers on the report tool's command line, read without the locale.
#pragma once

#include <string>

namespace gnsslog {

// Decimal number in the C locale, the whole text consumed ("1.5", "-2",
// "+2", "1e3"); false for anything else, an empty text and values out of
// the double range included.
bool parseCLocaleDouble(const std::string& text, double& value) noexcept;

}  // namespace gnsslog
