#include "app/LiveSourceText.h"

namespace gnsslog {

namespace {

std::string hostPart(const std::string& host)
{
    // An IPv6 address's colons would read as the port's.
    if (host.find(':') != std::string::npos && host.front() != '[') {
        return "[" + host + "]";
    }
    return host;
}

std::string networkText(const char* scheme, const LiveSourceFields& fields)
{
    std::string text = std::string(scheme) + hostPart(fields.host);
    if (!fields.port.empty()) {
        text += ":" + fields.port;
    }
    return text;
}

}  // namespace

std::string liveSourceText(const LiveSourceFields& fields)
{
    switch (fields.choice) {
    case LiveSourceChoice::Tcp:
        return networkText("tcp://", fields);
    case LiveSourceChoice::Gpsd:
        return networkText("gpsd://", fields);
    case LiveSourceChoice::Serial:
        return "serial:" + fields.device + (fields.baud.empty() ? std::string() : "?baud=" + fields.baud);
    case LiveSourceChoice::FollowedFile:
        return fields.file;
    }
    return fields.file;
}

}  // namespace gnsslog
