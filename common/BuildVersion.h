// The version this build reports: in --version, the about box (through the
// executable's version block, which is written from the same text) and the
// reports' "generator".
#pragma once

#include <string>
#include <string_view>

namespace gnsslog {

// The project's version, followed by "+g" and the git commit when the
// build knew it, e.g. "1.0.0+g028833b1e0" or "1.0.0". One word.
std::string_view buildVersion() noexcept;

// "NAME VERSION", the line --version prints (without a line end).
std::string versionLine(std::string_view program);

}  // namespace gnsslog
