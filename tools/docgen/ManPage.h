// Manual pages written from a program's registered CLI11 options at build
// time, so they cannot drift from --help.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}

namespace gnsslog {

// The prose of a manual page that the options do not carry.
struct ManPageText {
    std::string summary;                    // the NAME line after the dash
    std::vector<std::string> description;  // paragraphs after --help's first line
    std::vector<std::pair<std::string, std::string>> exitStatus;  // status, meaning; none: no section
    std::vector<std::string> examples;     // command lines; none: no section
    std::vector<std::string> seeAlso;      // e.g. "gnsslog-report(1)"
};

// Text for a roff line: backslashes escaped, a leading '.' or '\'' kept
// from reading as a request, and the minus of every option name ("-x",
// "--word") written as \- so it can be copied from the rendered page.
std::string roffText(std::string_view text);

// The page (man macros, section 1) of app, whose name is the program's;
// version goes into the footer. Options in registration order, hidden
// ones left out, each with the names, value and description --help shows.
std::string manPage(const CLI::App& app, const ManPageText& text, std::string_view version);

}  // namespace gnsslog
