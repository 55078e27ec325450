#include "tools/report/ReportMessages.h"

namespace gnsslog {

int reportError(std::ostream& err, const std::string& message)
{
    err << kReportProgramName << ": " << message << '\n';
    return ReportExit::Usage;
}

int usageError(std::ostream& err, const std::string& message)
{
    reportError(err, message);
    err << "Run with --help for more information.\n";
    return ReportExit::Usage;
}

}  // namespace gnsslog
