// The live source syntax: each kind with its parts, defaults and the
// errors of a bad host, port or baud rate.
#include <gtest/gtest.h>

#include "live/SourceAddress.h"

namespace gnsslog {
namespace {

TEST(SourceAddress, ValidTextsGiveTheirKindAndParts)
{
    struct Row {
        const char* legend;
        const char* text;
        SourceKind kind;
        const char* host;
        std::uint16_t port;
        const char* path;
        std::int32_t baud;
    };
    const Row rows[] = {
        {"tcp by address", "tcp://127.0.0.1:5017", SourceKind::Tcp, "127.0.0.1", 5017, "", kSerialDefaultBaud},
        {"tcp by name", "tcp://rover.local:1", SourceKind::Tcp, "rover.local", 1, "", kSerialDefaultBaud},
        {"tcp ipv6", "tcp://[::1]:65535", SourceKind::Tcp, "::1", 65535, "", kSerialDefaultBaud},
        {"gpsd default port", "gpsd://localhost", SourceKind::Gpsd, "localhost", 2947, "", kSerialDefaultBaud},
        {"gpsd own port", "gpsd://10.0.0.2:3000", SourceKind::Gpsd, "10.0.0.2", 3000, "", kSerialDefaultBaud},
        {"gpsd ipv6 default port", "gpsd://[fe80::1]", SourceKind::Gpsd, "fe80::1", 2947, "", kSerialDefaultBaud},
        {"serial default baud", "serial:/dev/ttyUSB0", SourceKind::Serial, "", 0, "/dev/ttyUSB0", 9600},
        {"serial with baud", "serial:/dev/ttyACM1?baud=115200", SourceKind::Serial, "", 0, "/dev/ttyACM1", 115200},
        {"a file name", "rover.nmea", SourceKind::FollowedFile, "", 0, "rover.nmea", kSerialDefaultBaud},
        {"a file name with a colon", "logs/a:b.ubx", SourceKind::FollowedFile, "", 0, "logs/a:b.ubx", kSerialDefaultBaud},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.legend);
        const SourceParse parse = parseSourceAddress(row.text);
        EXPECT_EQ(parse.error, "");
        EXPECT_EQ(parse.address.kind, row.kind);
        EXPECT_EQ(parse.address.host, row.host);
        EXPECT_EQ(parse.address.port, row.port);
        EXPECT_EQ(parse.address.path, row.path);
        EXPECT_EQ(parse.address.baud, row.baud);
        EXPECT_EQ(parse.address.text, row.text);
        EXPECT_EQ(isLiveSourceText(row.text), row.kind != SourceKind::FollowedFile);
    }
}

TEST(SourceAddress, BadTextsNameTheirFault)
{
    struct Row {
        const char* text;
        const char* fault;
    };
    const Row rows[] = {
        {"tcp://127.0.0.1", "port"},          {"tcp://127.0.0.1:", "port"},
        {"tcp://127.0.0.1:0", "port"},        {"tcp://127.0.0.1:65536", "port"},
        {"tcp://127.0.0.1:12x", "port"},      {"tcp://:5000", "no host"},
        {"tcp://[::1:5000", "']'"},           {"tcp://[::1]x:5000", "after the IPv6"},
        {"gpsd://", "no host"},               {"serial:", "no serial device"},
        {"serial:/dev/ttyS0?baud=0", "baud"}, {"serial:/dev/ttyS0?baud=", "baud"},
        {"serial:/dev/ttyS0?speed=9600", "baud"}, {"serial:/dev/ttyS0?baud=99999999", "baud"},
        {"", "no file"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const SourceParse parse = parseSourceAddress(row.text);
        EXPECT_NE(parse.error.find(row.fault), std::string::npos) << parse.error;
        EXPECT_NE(parse.error.find(std::string("'") + row.text + "'"), std::string::npos) << parse.error;
    }
}

}  // namespace
}  // namespace gnsslog
