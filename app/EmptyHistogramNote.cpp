#include "app/EmptyHistogramNote.h"

#include <algorithm>

namespace gnsslog {

QString emptyHistogramNote(const GNSSLog& log, const Histogram* histogram)
{
    if (histogram == nullptr || histogram->peakCount() != 0) {
        return {};
    }
    if (histogram == &log.hist3DRtkx) {
        // Scanned only for an empty histogram, and stops at the first.
        const bool any = std::any_of(log.records.begin(), log.records.end(),
                                     [](const GNSSRecord& r) { return r.fixType == FixType::RtkX; });
        return any ? QStringLiteral("No RTK-X epoch of this log has a grid position and a height.")
                   : QStringLiteral("This log has no RTK-X epochs.");
    }
    if (log.rtkFixCount == 0) {
        return QStringLiteral("This log has no RTK-fixed epochs.");
    }
    if (histogram == &log.histX || histogram == &log.histY) {
        return QStringLiteral("No RTK-fixed epoch of this log has a grid position.");
    }
    if (histogram == &log.histZ) {
        return QStringLiteral("No RTK-fixed epoch of this log has a height.");
    }
    if (histogram == &log.hist3DFix) {
        return QStringLiteral("No RTK-fixed epoch of this log has a grid position and a height.");
    }
    return {};
}

}  // namespace gnsslog
