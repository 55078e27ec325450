// The calculation pass: every kept record's error against the truth goes
// into the maxima and the five histograms, which are then sorted.
#pragma once

#include <cstddef>

#include "log/Gpslog.h"
#include "log/ProgressThrottle.h"

namespace gnsslog {

// The maxima and the five histograms of an analysis, apart from it.
struct ErrorFigures {
    double maxErrorZ = 0;
    double maxErrorX = 0;
    double maxErrorY = 0;
    Histogram histZ;
    Histogram histX;
    Histogram histY;
    Histogram hist3DFix;
    Histogram hist3DRtkx;
};

// Splitting the pass over two threads only pays from this many records on.
inline constexpr std::size_t kSplitErrorPassRecords = std::size_t{1} << 16;

// With splitWork the Z and X halves run on a second thread while this one
// does the Y half, the 3-D errors and the progress reports; each histogram
// still receives its samples in record order.
void calculationPass(GNSSLog& log, ProgressThrottle& progress, bool splitWork);

// Sorts the histograms by key, reporting each step.
void sortHistograms(GNSSLog& log, ProgressThrottle& progress);

// The figures both passes give, with the histograms sorted, measured
// without changing log: for an analysis that stays on show while its
// errors are measured again against a moved truth.
ErrorFigures measureErrorFigures(const GNSSLog& log, bool splitWork);

// Puts figures into log's maxima and histograms.
void takeErrorFigures(GNSSLog& log, ErrorFigures&& figures) noexcept;

}  // namespace gnsslog
