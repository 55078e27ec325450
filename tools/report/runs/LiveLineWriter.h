// Prints a live run's lines. The analysis behind a line runs on a thread
// of its own, so the live loop keeps reading the source meanwhile: a long
// analysis must not stall a serial port whose driver buffers only a few
// kilobytes.
#pragma once

#include <chrono>
#include <cstddef>
#include <future>
#include <ostream>
#include <string>

#include <nlohmann/json.hpp>

#include "live/LiveLoop.h"
#include "tools/report/runs/LiveHistory.h"
#include "tools/report/runs/LiveLine.h"
#include "tools/report/options/ReportOptions.h"

namespace gnsslog {

class LiveLineWriter {
public:
    // archiveOptions: the offline options on the archive; source: the
    // source as given. Lines go to out, from the calling thread only.
    // history, when not null, is brought up to date by each analysis, on
    // its thread, before its line is printed.
    LiveLineWriter(const ReportOptions& archiveOptions, std::string source, std::ostream& out,
                   LiveHistory* history = nullptr);
    ~LiveLineWriter();
    LiveLineWriter(const LiveLineWriter&) = delete;
    LiveLineWriter& operator=(const LiveLineWriter&) = delete;

    // An --every interval is over. Starts an analysis whose line is
    // printed when it finishes; within a second of the last start, prints
    // the last figures with the newer session at once; while an analysis
    // runs, does nothing (its line stands for this interval too).
    void tick(const LiveProgress& progress);
    // Prints the line of an analysis that has finished.
    void poll();
    // Waits for a running analysis and prints its line.
    void finish();

private:
    void printLine(const LiveProgress& progress, const nlohmann::ordered_json& figures);

    LiveLineAnalysis analysis_;  // used by the running analysis only
    std::string source_;
    std::ostream& out_;
    LiveHistory* history_;  // used by the running analysis only
    std::future<nlohmann::ordered_json> running_;
    LiveProgress runningProgress_;  // the session when the running analysis started
    nlohmann::ordered_json figures_;  // the last finished analysis's
    std::chrono::steady_clock::time_point lastStart_{};
};

}  // namespace gnsslog
