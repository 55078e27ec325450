#include "log/formats/Formats.h"

#include <array>

namespace gnsslog {

namespace {

// One line per format: the format, its file name patterns, its fuzz seeds.
const std::array<FormatRegistration, 6> kRegistrations{{
    {&navcomFormat(), "*.pvt1b *.pvt *.bin *.nc", "pvt1b_fuzz"},
    {&nmeaFormat(), "*.nmea *.nme *.gps *.txt *.log", "nmea_decoder_fuzz"},
    {&ubxFormat(), "*.ubx *.bin", "ubx_fuzz"},
    {&posFormat(), "*.pos", "pos_fuzz"},
    {&sbfFormat(), "*.sbf", "sbf_fuzz"},
    {&novatelFormat(), "*.gps *.asc *.bin *.dat", "novatel_fuzz"},
}};

// inputFormats() hands out pointers; they are the registrations' own.
const std::array<const InputFormat*, kRegistrations.size()> kFormats = [] {
    std::array<const InputFormat*, kRegistrations.size()> formats{};
    for (std::size_t i = 0; i < kRegistrations.size(); ++i) {
        formats[i] = kRegistrations[i].format;
    }
    return formats;
}();

}  // namespace

std::span<const FormatRegistration> formatRegistrations() noexcept
{
    return kRegistrations;
}

std::span<const InputFormat* const> inputFormats() noexcept
{
    return kFormats;
}

const InputFormat* findInputFormat(std::string_view name) noexcept
{
    for (const InputFormat* format : kFormats) {
        if (format->name() == name) {
            return format;
        }
    }
    return nullptr;
}

const FormatRegistration* findFormatRegistration(const InputFormat& format) noexcept
{
    for (const FormatRegistration& registration : kRegistrations) {
        if (registration.format == &format) {
            return &registration;
        }
    }
    return nullptr;
}

const InputFormat& fallbackFormat() noexcept
{
    return navcomFormat();
}

}  // namespace gnsslog
