#include "live/SourceAddress.h"

#include <charconv>

namespace gnsslog {

namespace {

constexpr std::string_view kTcpPrefix = "tcp://";
constexpr std::string_view kGpsdPrefix = "gpsd://";
constexpr std::string_view kSerialPrefix = "serial:";
constexpr std::string_view kBaudKey = "?baud=";
constexpr std::int32_t kLargestBaud = 4000000;  // bits per second; Linux's highest standard rate

template <typename Number>
bool parseWhole(std::string_view text, Number& value) noexcept
{
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && result.ec == std::errc() && result.ptr == text.data() + text.size();
}

// "HOST:PORT", "[V6]:PORT", or with defaultPort also "HOST" and "[V6]".
std::string splitHostPort(std::string_view text, std::uint16_t defaultPort, SourceAddress& address)
{
    std::string_view host = text;
    std::string_view port;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos) {
            return "missing ']' after the IPv6 address";
        }
        host = text.substr(1, close - 1);
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty() && rest.front() != ':') {
            return "unexpected text after the IPv6 address";
        }
        port = rest.empty() ? rest : rest.substr(1);
    } else if (const std::size_t colon = text.rfind(':'); colon != std::string_view::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    if (host.empty()) {
        return "no host";
    }
    address.host = std::string(host);
    if (port.empty() && defaultPort != 0) {
        address.port = defaultPort;
        return {};
    }
    unsigned number = 0;
    if (!parseWhole(port, number) || number < 1 || number > 65535) {
        return "the port must be a number from 1 to 65535";
    }
    address.port = static_cast<std::uint16_t>(number);
    return {};
}

std::string parseSerial(std::string_view text, SourceAddress& address)
{
    const std::size_t query = text.find('?');
    address.path = std::string(text.substr(0, query));
    if (address.path.empty()) {
        return "no serial device";
    }
    if (query == std::string_view::npos) {
        return {};
    }
    const std::string_view options = text.substr(query);
    if (options.substr(0, kBaudKey.size()) != kBaudKey ||
        !parseWhole(options.substr(kBaudKey.size()), address.baud) || address.baud < 1 ||
        address.baud > kLargestBaud) {
        return "the serial options must be ?baud=N with N from 1 to " + std::to_string(kLargestBaud);
    }
    return {};
}

}  // namespace

bool isLiveSourceText(std::string_view text) noexcept
{
    return text.starts_with(kTcpPrefix) || text.starts_with(kGpsdPrefix) ||
           text.starts_with(kSerialPrefix);
}

SourceParse parseSourceAddress(std::string_view text)
{
    SourceParse parse;
    SourceAddress& address = parse.address;
    address.text = std::string(text);
    std::string problem;
    if (text.starts_with(kTcpPrefix)) {
        address.kind = SourceKind::Tcp;
        problem = splitHostPort(text.substr(kTcpPrefix.size()), 0, address);
    } else if (text.starts_with(kGpsdPrefix)) {
        address.kind = SourceKind::Gpsd;
        problem = splitHostPort(text.substr(kGpsdPrefix.size()), kGpsdDefaultPort, address);
    } else if (text.starts_with(kSerialPrefix)) {
        address.kind = SourceKind::Serial;
        problem = parseSerial(text.substr(kSerialPrefix.size()), address);
    } else {
        address.kind = SourceKind::FollowedFile;
        address.path = std::string(text);
        if (address.path.empty()) {
            problem = "no file";
        }
    }
    if (!problem.empty()) {
        parse.error = "'" + address.text + "': " + problem;
    }
    return parse;
}

}  // namespace gnsslog
