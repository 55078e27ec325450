#include "log/formats/Formats.h"

#include <array>

namespace gnsslog {

namespace {

// One line per format.
const std::array<const InputFormat*, 6> kFormats = {
    &navcomFormat(),
    &nmeaFormat(),
    &ubxFormat(),
    &posFormat(),
    &sbfFormat(),
    &novatelFormat(),
};

}  // namespace

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

}  // namespace gnsslog
