// The one syntax of live sources:
//   tcp://HOST:PORT            a raw byte stream (receiver, serial-to-network server)
//   gpsd://HOST[:PORT]         gpsd's raw pass-through (port 2947 by default)
//   serial:DEVICE[?baud=N]     a serial port (9600 baud by default)
//   FILE with follow           a log file that is still being written
// HOST may be a name, an IPv4 address or an IPv6 address in brackets.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace gnsslog {

enum class SourceKind : std::uint8_t { FollowedFile, Tcp, Gpsd, Serial };

inline constexpr std::uint16_t kGpsdDefaultPort = 2947;
inline constexpr std::int32_t kSerialDefaultBaud = 9600;  // bits per second, NMEA 0183's rate

struct SourceAddress {
    SourceKind kind = SourceKind::FollowedFile;
    std::string host;         // Tcp, Gpsd
    std::uint16_t port = 0;   // Tcp, Gpsd
    std::string path;         // FollowedFile, Serial: the file or device
    std::int32_t baud = kSerialDefaultBaud;  // Serial, bits per second
    std::string text;         // as given, for reports
};

struct SourceParse {
    SourceAddress address;
    std::string error;  // empty when the text was understood
};

// Whether text names a network or serial source rather than a file.
bool isLiveSourceText(std::string_view text) noexcept;

// The source text; a plain file name is a FollowedFile. error names what
// is wrong (a missing port, a port out of 1..65535, a bad baud rate).
SourceParse parseSourceAddress(std::string_view text);

}  // namespace gnsslog
