// The calculation pass: every kept record's error against the truth goes
// into the maxima and the five histograms, which are then sorted.
#pragma once

#include "log/Gpslog.h"
#include "log/ProgressThrottle.h"

namespace gnsslog {

// With splitWork the Z and X halves run on a second thread while this one
// does the Y half, the 3-D errors and the progress reports; each histogram
// still receives its samples in record order.
void calculationPass(GNSSLog& log, ProgressThrottle& progress, bool splitWork);

// Sorts the histograms by key, reporting each step.
void sortHistograms(GNSSLog& log, ProgressThrottle& progress);

}  // namespace gnsslog
