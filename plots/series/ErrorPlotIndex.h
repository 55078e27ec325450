// What the error plot works out once per analysis so that every rebuild on
// resize and zoom stays quick on logs of millions of epochs. Built with the
// analysis, off the window thread.
#pragma once

#include "log/Gpslog.h"
#include "plots/series/ColumnContents.h"
#include "plots/series/ErrorSeries.h"

namespace gnsslog {

struct ErrorPlotIndex {
    // The analysis must be complete and outlive the index.
    explicit ErrorPlotIndex(const GNSSLog& analysis) : series(analysis), columns(analysis) {}

    SeriesIndex series;
    ColumnBlocks columns;
};

}  // namespace gnsslog
