// Names of u-blox UBX messages by class and id, as u-blox's protocol
// descriptions write them ("NAV-PVT" for class 0x01 id 0x07), for the
// data-quality figures. Only the common messages of the receiver families
// the logs come from are listed; the others are named by the caller.
#pragma once

#include <cstdint>

namespace gnsslog {

// The message's name, or null for a class and id not in the table. The
// text is static.
const char* ubxMessageName(std::uint8_t messageClass, std::uint8_t messageId) noexcept;

}  // namespace gnsslog
