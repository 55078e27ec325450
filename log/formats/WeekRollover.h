// Times that count seconds of the GPS week start again at 0 each Sunday.
// A step back of more than half a week is that restart: the times after
// it are moved on by a week, so the analysis sees one clock (the day wrap
// handles only steps of a day).
#pragma once

namespace gnsslog {

class WeekRollover {
public:
    static constexpr double kSecondsPerWeek = 604800.0;

    // The time of week, in file order, on the log's continuous clock.
    double apply(double timeOfWeek) noexcept
    {
        double time = timeOfWeek + offset_;
        if (hasPrevious_ && time < previous_ - kSecondsPerWeek / 2) {
            offset_ += kSecondsPerWeek;
            time += kSecondsPerWeek;
        }
        previous_ = time;
        hasPrevious_ = true;
        return time;
    }

private:
    double offset_ = 0;
    double previous_ = 0;
    bool hasPrevious_ = false;
};

}  // namespace gnsslog
