#include "geodesy/GridFrame.h"

#include <cctype>
#include <charconv>

namespace gnsslog {

namespace {

constexpr std::size_t kMostEpsgDigits = 6;

bool parseDigits(std::string_view text, std::size_t mostDigits, int& value)
{
    if (text.empty() || text.size() > mostDigits) {
        return false;
    }
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string GridFrame::name() const
{
    switch (kind) {
    case GridKind::Kkj: return "kkj";
    case GridKind::Enu: return "enu";
    case GridKind::Projected:
        if (epsg == kEpsgTm35fin) {
            return "tm35fin";
        }
        if (epsg >= kEpsgGk19 && epsg <= kEpsgGk19 + (kLastGkZone - kFirstGkZone)) {
            return "gk" + std::to_string(epsg - kEpsgGk19 + kFirstGkZone);
        }
        return "EPSG:" + std::to_string(epsg);
    }
    return {};
}

std::optional<GridFrame> parseGridFrame(std::string_view text)
{
    if (text == "kkj") {
        return GridFrame{GridKind::Kkj, 0};
    }
    if (text == "enu") {
        return GridFrame{GridKind::Enu, 0};
    }
    if (text == "tm35fin") {
        return GridFrame{GridKind::Projected, kEpsgTm35fin};
    }
    int number = 0;
    if (text.starts_with("gk") && parseDigits(text.substr(2), 2, number) && text.size() == 4 &&
        number >= kFirstGkZone && number <= kLastGkZone) {
        return GridFrame{GridKind::Projected, kEpsgGk19 + number - kFirstGkZone};
    }
    constexpr std::string_view kEpsgPrefix = "epsg:";
    if (startsWithNoCase(text, kEpsgPrefix) &&
        parseDigits(text.substr(kEpsgPrefix.size()), kMostEpsgDigits, number) && number > 0) {
        return GridFrame{GridKind::Projected, number};
    }
    return std::nullopt;
}

}  // namespace gnsslog
