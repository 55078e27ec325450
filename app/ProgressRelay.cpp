#include "app/ProgressRelay.h"

#include <utility>

namespace gnsslog {

void ProgressRelay::add(const char* text, std::int32_t position, std::int32_t total)
{
    const std::lock_guard lock(mutex_);
    const bool phaseStart = position == 0 && total != 0 && added_ > 0;
    if (phaseStart && last_.total > 0 && last_.position > 0 && last_.position < last_.total) {
        reports_.push_back({last_.text, last_.total, last_.total});
    }
    last_ = {text != nullptr ? text : "", position, total};
    reports_.push_back(last_);
    ++added_;
}

std::vector<ProgressReport> ProgressRelay::take()
{
    const std::lock_guard lock(mutex_);
    std::size_t count = 0;
    while (count < reports_.size()) {
        ++count;
        const bool nextStartsPhase = count < reports_.size() && reports_[count].position == 0 &&
                                     reports_[count - 1].position != 0;
        if (nextStartsPhase) {
            break;
        }
    }
    std::vector<ProgressReport> batch(std::make_move_iterator(reports_.begin()),
                                      std::make_move_iterator(reports_.begin() + static_cast<std::ptrdiff_t>(count)));
    reports_.erase(reports_.begin(), reports_.begin() + static_cast<std::ptrdiff_t>(count));
    return batch;
}

}  // namespace gnsslog
