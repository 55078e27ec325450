#include "log/formats/ubx/UbxMessageNames.h"

#include <algorithm>
#include <array>

namespace gnsslog {

namespace {

struct UbxMessage {
    std::uint16_t classAndId;  // class in the high byte
    const char* name;
};

// Sorted by class and id, for the binary search below.
constexpr std::array kUbxMessages{
    UbxMessage{0x0101, "NAV-POSECEF"},   UbxMessage{0x0102, "NAV-POSLLH"},
    UbxMessage{0x0103, "NAV-STATUS"},    UbxMessage{0x0104, "NAV-DOP"},
    UbxMessage{0x0105, "NAV-ATT"},       UbxMessage{0x0106, "NAV-SOL"},
    UbxMessage{0x0107, "NAV-PVT"},       UbxMessage{0x0109, "NAV-ODO"},
    UbxMessage{0x0111, "NAV-VELECEF"},   UbxMessage{0x0112, "NAV-VELNED"},
    UbxMessage{0x0113, "NAV-HPPOSECEF"}, UbxMessage{0x0114, "NAV-HPPOSLLH"},
    UbxMessage{0x0120, "NAV-TIMEGPS"},   UbxMessage{0x0121, "NAV-TIMEUTC"},
    UbxMessage{0x0122, "NAV-CLOCK"},     UbxMessage{0x0123, "NAV-TIMEGLO"},
    UbxMessage{0x0124, "NAV-TIMEBDS"},   UbxMessage{0x0125, "NAV-TIMEGAL"},
    UbxMessage{0x0126, "NAV-TIMELS"},    UbxMessage{0x0127, "NAV-TIMEQZSS"},
    UbxMessage{0x0130, "NAV-SVINFO"},    UbxMessage{0x0131, "NAV-DGPS"},
    UbxMessage{0x0132, "NAV-SBAS"},      UbxMessage{0x0134, "NAV-ORB"},
    UbxMessage{0x0135, "NAV-SAT"},       UbxMessage{0x0136, "NAV-COV"},
    UbxMessage{0x0139, "NAV-GEOFENCE"},  UbxMessage{0x013B, "NAV-SVIN"},
    UbxMessage{0x013C, "NAV-RELPOSNED"}, UbxMessage{0x0143, "NAV-SIG"},
    UbxMessage{0x0161, "NAV-EOE"},       UbxMessage{0x0162, "NAV-PL"},
    UbxMessage{0x0210, "RXM-RAW"},       UbxMessage{0x0211, "RXM-SFRB"},
    UbxMessage{0x0213, "RXM-SFRBX"},     UbxMessage{0x0214, "RXM-MEASX"},
    UbxMessage{0x0215, "RXM-RAWX"},      UbxMessage{0x0232, "RXM-RTCM"},
    UbxMessage{0x0233, "RXM-SPARTN"},    UbxMessage{0x0234, "RXM-COR"},
    UbxMessage{0x0241, "RXM-PMREQ"},     UbxMessage{0x0400, "INF-ERROR"},
    UbxMessage{0x0401, "INF-WARNING"},   UbxMessage{0x0402, "INF-NOTICE"},
    UbxMessage{0x0403, "INF-TEST"},      UbxMessage{0x0404, "INF-DEBUG"},
    UbxMessage{0x0500, "ACK-NAK"},       UbxMessage{0x0501, "ACK-ACK"},
    UbxMessage{0x0600, "CFG-PRT"},       UbxMessage{0x0601, "CFG-MSG"},
    UbxMessage{0x0608, "CFG-RATE"},      UbxMessage{0x0609, "CFG-CFG"},
    UbxMessage{0x0624, "CFG-NAV5"},      UbxMessage{0x063D, "CFG-TMODE2"},
    UbxMessage{0x0671, "CFG-TMODE3"},    UbxMessage{0x068A, "CFG-VALSET"},
    UbxMessage{0x068B, "CFG-VALGET"},    UbxMessage{0x068C, "CFG-VALDEL"},
    UbxMessage{0x0914, "UPD-SOS"},       UbxMessage{0x0A02, "MON-IO"},
    UbxMessage{0x0A04, "MON-VER"},       UbxMessage{0x0A06, "MON-MSGPP"},
    UbxMessage{0x0A07, "MON-RXBUF"},     UbxMessage{0x0A08, "MON-TXBUF"},
    UbxMessage{0x0A09, "MON-HW"},        UbxMessage{0x0A0B, "MON-HW2"},
    UbxMessage{0x0A21, "MON-RXR"},       UbxMessage{0x0A31, "MON-SPAN"},
    UbxMessage{0x0A36, "MON-COMMS"},     UbxMessage{0x0A37, "MON-HW3"},
    UbxMessage{0x0A38, "MON-RF"},        UbxMessage{0x0A39, "MON-SYS"},
    UbxMessage{0x0B30, "AID-ALM"},       UbxMessage{0x0B31, "AID-EPH"},
    UbxMessage{0x0D01, "TIM-TP"},        UbxMessage{0x0D03, "TIM-TM2"},
    UbxMessage{0x0D04, "TIM-SVIN"},      UbxMessage{0x0D06, "TIM-VRFY"},
    UbxMessage{0x1002, "ESF-MEAS"},      UbxMessage{0x1003, "ESF-RAW"},
    UbxMessage{0x1010, "ESF-STATUS"},    UbxMessage{0x1014, "ESF-ALG"},
    UbxMessage{0x1015, "ESF-INS"},       UbxMessage{0x1300, "MGA-GPS"},
    UbxMessage{0x1360, "MGA-ACK"},       UbxMessage{0x2108, "LOG-INFO"},
    UbxMessage{0x2703, "SEC-UNIQID"},    UbxMessage{0x2800, "HNR-PVT"},
};

static_assert(std::is_sorted(kUbxMessages.begin(), kUbxMessages.end(),
                             [](const UbxMessage& a, const UbxMessage& b) {
                                 return a.classAndId < b.classAndId;
                             }));

}  // namespace

const char* ubxMessageName(std::uint8_t messageClass, std::uint8_t messageId) noexcept
{
    const auto key = static_cast<std::uint16_t>(messageClass << 8 | messageId);
    const auto found = std::lower_bound(
        kUbxMessages.begin(), kUbxMessages.end(), key,
        [](const UbxMessage& message, std::uint16_t wanted) { return message.classAndId < wanted; });
    return found != kUbxMessages.end() && found->classAndId == key ? found->name : nullptr;
}

}  // namespace gnsslog
