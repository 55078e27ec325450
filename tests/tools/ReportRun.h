// Runs gnsslog-report in-process with the given arguments (the program
// name is added) and keeps its exit status and both output streams.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "tools/report/runs/Report.h"

namespace gnsslog {

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline ToolRun runReportTool(std::vector<std::string> args)
{
    args.insert(args.begin(), "gnsslog-report");
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    std::ostringstream out;
    std::ostringstream err;
    ToolRun run;
    run.status = runReport(static_cast<int>(args.size()), argv.data(), out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

}  // namespace gnsslog
