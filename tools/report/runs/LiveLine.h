// The JSON line a live run prints every --every interval: the session
// (source, elapsed seconds, bytes, drops, reconnects, segments), the
// figures of every record so far and of the records that arrived in the
// last interval, the --require verdicts on both, and the data quality.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "live/LiveLoop.h"
#include "log/Gpslog.h"
#include "log/GrowingLogReader.h"
#include "tools/report/options/FrameOptions.h"
#include "tools/report/options/ReportOptions.h"

namespace gnsslog {

// {"source", "elapsed", "bytes", "drops", "reconnects", "segments"}:
// what describes the live session itself.
nlohmann::ordered_json liveSessionJson(const std::string& source, const LiveProgress& progress);

// The archive as it grows, analysed for the lines' figures: what it gained
// since the last line is decoded onto the records kept from before
// (GrowingLogReader), so a line costs what its new bytes cost plus the
// figures. Used by one thread at a time.
class LiveLineAnalysis {
public:
    // archiveOptions: the offline options on the archive; must outlive this.
    explicit LiveLineAnalysis(const ReportOptions& archiveOptions);
    ~LiveLineAnalysis();
    LiveLineAnalysis(const LiveLineAnalysis&) = delete;
    LiveLineAnalysis& operator=(const LiveLineAnalysis&) = delete;

    // The figures part of a line: every record so far and those since the
    // last line. A record still being assembled counts in the next line;
    // the final report, the offline analysis of the archive, counts it.
    nlohmann::ordered_json lineFigures();
    // The records so far as the last line saw them, with their accuracy
    // figures, restarts, truth and data quality; their errors are not
    // measured.
    const GNSSLog& analysis() const noexcept { return kept_; }

private:
    // The reader of the archive, once its format can be decided; false
    // while it cannot yet.
    bool start(const FrameSettings& frame);

    const ReportOptions& options_;
    std::unique_ptr<GrowingLogReader> reader_;
    const InputFormat* format_ = nullptr;  // the reader's
    GNSSLog kept_;
    std::size_t recordsBefore_ = 0;  // at the last line
};

}  // namespace gnsslog
