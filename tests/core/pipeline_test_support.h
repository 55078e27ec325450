// Shared helpers of the pipeline, progress and summary tests: temporary
// log files, a recorder for progress calls, a scripted tick clock and
// hand-written NMEA sentences.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "log/Gpslog.h"
#include "platform/TickCounter.h"

namespace gnsslog::testing {

// A file in the temporary directory, removed when the object goes.
class TempFile {
public:
    explicit TempFile(const std::string& content, const std::string& tag = "log")
    {
        static int serial = 0;
        path_ = (std::filesystem::temp_directory_path() /
                 ("gnsslog-" + tag + "-" + std::to_string(::getpid()) + "-" +
                  std::to_string(serial++) + ".bin"))
                    .string();
        std::ofstream out(path_, std::ios::binary);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile()
    {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    const std::string& path() const { return path_; }
    const char* c_str() const { return path_.c_str(); }

private:
    std::string path_;
};

struct ProgressCall {
    std::string phase;
    std::int32_t position;
    std::int32_t total;
    bool operator==(const ProgressCall&) const = default;
};

inline std::vector<ProgressCall>& recordedCalls()
{
    static std::vector<ProgressCall> calls;
    return calls;
}

inline void recordProgress(const char* phase, std::int32_t position, std::int32_t total)
{
    recordedCalls().push_back({phase, position, total});
}

// A tick clock that returns start + step, start + 2 * step, ... (wrapping
// in 32 bits), one value per call; installed for the object's lifetime.
class StepClock {
public:
    StepClock(std::uint32_t start, std::uint32_t step)
    {
        now() = start;
        stepRef() = step;
        previous_ = setTickSource(&tick);
    }
    StepClock(const StepClock&) = delete;
    StepClock& operator=(const StepClock&) = delete;
    ~StepClock() { setTickSource(previous_); }

private:
    static std::uint32_t& now()
    {
        static std::uint32_t value = 0;
        return value;
    }
    static std::uint32_t& stepRef()
    {
        static std::uint32_t value = 0;
        return value;
    }
    static std::uint32_t tick()
    {
        now() += stepRef();
        return now();
    }
    TickSource previous_;
};

// hhmmss.ss of a time of day in seconds (0 <= t < 86400, centisecond steps).
inline std::string nmeaClock(double seconds)
{
    const long centis = static_cast<long>(seconds * 100 + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%02ld%02ld%02ld.%02ld", centis / 360000,
                  centis / 6000 % 60, centis / 100 % 60, centis % 100);
    return text;
}

// "$", the content, "*", its checksum (the XOR of the content's bytes) and
// CR LF.
inline std::string nmeaSentence(const std::string& content)
{
    unsigned sum = 0;
    for (const char c : content) {
        sum ^= static_cast<unsigned char>(c);
    }
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
    return "$" + content + tail;
}

// An LLK sentence: grid X, Y and height direct, quality 3 RTK fixed,
// 2 float, anything else "no RTK" (fixType 0).
inline std::string llk(double time, double x, double y, double height, int quality)
{
    char text[200];
    std::snprintf(text, sizeof text, "GPLLK,%s,010126,%.4f,M,%.4f,M,%d,12,1.5,%.4f,M",
                  nmeaClock(time).c_str(), x, y, quality, height);
    return nmeaSentence(text);
}

inline constexpr int kLlkFixed = 3;
inline constexpr int kLlkFloat = 2;
inline constexpr int kLlkSingle = 1;

}  // namespace gnsslog::testing
