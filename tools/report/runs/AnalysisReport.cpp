#include "tools/report/runs/AnalysisReport.h"

#include "tools/report/runs/ComparisonReport.h"
#include "tools/report/runs/SingleLogReport.h"

namespace gnsslog {

int runAnalysisReport(const ReportOptions& options, std::ostream& out, std::ostream& err)
{
    if (options.comparison.asked()) {
        return runComparisonReport(options, out, err);
    }
    return runSingleLogReport(options, out, err);
}

}  // namespace gnsslog
