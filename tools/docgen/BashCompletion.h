// Bash completion scripts written from a program's registered CLI11
// options at build time, so they offer what --help lists.
#pragma once

#include <string>

namespace CLI {
class App;
}

namespace gnsslog {

// The script for app (named after it): its option names after "-"; after
// an option, the choices its validator lists ("TEXT:{a,b}"), file names
// for plain text values, nothing for numbers and other checked values;
// file names in place of positionals.
std::string bashCompletion(const CLI::App& app);

}  // namespace gnsslog
