#include "tools/samplegen/SampleWriters.h"

#include <array>

namespace gnsslog {

namespace {

constexpr std::array<SampleWriter, 7> kWriters{{
    {"navcom", LogFormat::Navcom, "navcom"},
    {"nmea", LogFormat::Nmea, "nmea"},
    {"ubx", LogFormat::Ubx, "ubx"},
    {"pos", LogFormat::Pos, "pos"},
    {"sbf", LogFormat::Sbf, "sbf"},
    {"novatel-ascii", LogFormat::NovatelAscii, "novatel"},
    {"novatel-binary", LogFormat::NovatelBinary, "novatel"},
}};

}  // namespace

std::span<const SampleWriter> sampleWriters() noexcept
{
    return kWriters;
}

const SampleWriter* findSampleWriter(std::string_view formatName) noexcept
{
    for (const SampleWriter& writer : kWriters) {
        if (writer.readAs == formatName) {
            return &writer;
        }
    }
    return nullptr;
}

}  // namespace gnsslog
