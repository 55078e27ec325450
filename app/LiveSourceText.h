// The text of a live source from the dialog's fields, in the syntax the
// report tool reads (live/SourceAddress.h). Qt-free so it is tested alone.
#pragma once

#include <cstdint>
#include <string>

namespace gnsslog {

enum class LiveSourceChoice : std::uint8_t { Tcp, Serial, Gpsd, FollowedFile };

struct LiveSourceFields {
    LiveSourceChoice choice = LiveSourceChoice::Tcp;
    std::string host;    // Tcp, Gpsd
    std::string port;    // Tcp, Gpsd; empty for gpsd's default
    std::string device;  // Serial
    std::string baud;    // Serial; empty for the default rate
    std::string file;    // FollowedFile
};

// "tcp://HOST:PORT", "gpsd://HOST[:PORT]", "serial:DEVICE[?baud=N]" or the
// file's name; an IPv6 address gets its brackets.
std::string liveSourceText(const LiveSourceFields& fields);

}  // namespace gnsslog
