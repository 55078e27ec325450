// Progress reports made on the analysing thread, taken in order by the
// window thread. Reports are throttled, so a short phase may end before
// its bar was full: such a phase gets a full bar as its last report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace gnsslog {

struct ProgressReport {
    std::string text;
    std::int32_t position = 0;
    std::int32_t total = 0;
    bool operator==(const ProgressReport&) const = default;
};

class ProgressRelay {
public:
    // Any thread.
    void add(const char* text, std::int32_t position, std::int32_t total);

    // The reports since the last call, up to and including the last one of
    // a phase's progress: each phase's last state can stay on the screen
    // for one look at least.
    std::vector<ProgressReport> take();

private:
    std::mutex mutex_;
    std::vector<ProgressReport> reports_;
    std::size_t added_ = 0;
    ProgressReport last_;
};

}  // namespace gnsslog
