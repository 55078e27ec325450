// SIGINT and SIGTERM ask a live run to stop and write its final report.
// While a StopSignals exists the two signals set a flag instead of
// ending the process; the previous handlers come back with its end.
#pragma once

#include <csignal>

namespace gnsslog {

class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    static bool requested() noexcept;

private:
    struct sigaction oldInterrupt_ {};
    struct sigaction oldTerminate_ {};
};

}  // namespace gnsslog
