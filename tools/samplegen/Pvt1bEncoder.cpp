#include "tools/samplegen/Pvt1bEncoder.h"

#include <cmath>

#include "common/Saturate.h"
#include "log/formats/navcom/Crc16.h"

namespace gnsslog {

namespace {

void putU8(std::string& out, std::uint32_t value) { out.push_back(static_cast<char>(value & 0xFFu)); }

void putLe16(std::string& out, std::uint32_t value)
{
    putU8(out, value);
    putU8(out, value >> 8);
}

void putLe24(std::string& out, std::uint32_t value)
{
    putLe16(out, value);
    putU8(out, value >> 16);
}

void putLe32(std::string& out, std::uint32_t value)
{
    putLe16(out, value);
    putLe16(out, value >> 16);
}

void putZeros(std::string& out, std::size_t count) { out.append(count, '\0'); }

}  // namespace

std::string hex4(std::uint16_t value)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text(4, '0');
    for (int i = 3; i >= 0; --i) {
        text[static_cast<std::size_t>(i)] = digits[value & 0xFu];
        value = static_cast<std::uint16_t>(value >> 4);
    }
    return text;
}

std::string encodeNavcomMessage(std::string_view label, std::string_view headerAndBodyAfterLength)
{
    std::string message(label);
    const std::size_t crcStart = message.size();
    // N counts the whole 9-byte header plus the body; 2 of the 9 are N itself.
    putLe16(message, static_cast<std::uint32_t>(headerAndBodyAfterLength.size() + 2));
    message.append(headerAndBodyAfterLength);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(message.data());
    const std::uint16_t crc = crc16Xmodem(bytes + crcStart, message.size() - crcStart);
    message.push_back('*');
    message += hex4(crc);
    message.push_back('\r');
    return message;
}

std::string encodePvt1bMessage(const Pvt1bFields& f)
{
    std::string rest;
    rest.reserve(7 + kPvt1bMinimumBody + f.trailingBytes);
    putLe16(rest, f.week);            // 9
    putLe32(rest, f.timeMs);          // 11
    putU8(rest, f.headerByte);        // 15
    putU8(rest, f.status);            // 16: body starts
    putLe32(rest, static_cast<std::uint32_t>(f.rawLatitude));   // 17
    putLe32(rest, static_cast<std::uint32_t>(f.rawLongitude));  // 21
    putU8(rest, static_cast<std::uint32_t>((f.latExtension & 0xFu) << 4 | (f.lonExtension & 0xFu)));  // 25
    putLe32(rest, static_cast<std::uint32_t>(f.heightMm));          // 26
    putLe24(rest, static_cast<std::uint32_t>(f.heightCorrection));  // 30
    putLe16(rest, f.error1);          // 33
    putLe16(rest, f.error2);          // 35
    putLe16(rest, f.error3);          // 37
    putU8(rest, f.dop1);              // 39
    putU8(rest, f.dop2);              // 40
    putU8(rest, f.dop3);              // 41
    putZeros(rest, 9);                // 42
    putU8(rest, f.satellites);        // 51
    putU8(rest, f.mode);              // 52
    putLe16(rest, f.correctionAge);   // 53
    putZeros(rest, 11);               // 55
    putLe32(rest, f.gpsMask);         // 66
    putZeros(rest, 4);                // 70
    putLe32(rest, f.glonassMask);     // 74
    putZeros(rest, f.trailingBytes);  // 78
    return encodeNavcomMessage("[PVT1B]", rest);
}

RawAngle degreesToRawAngle(double degrees) noexcept
{
    // Sixteenths of 2^-11 arcsecond: 3600 * 2048 * 16 per degree.
    const std::int64_t sixteenths = toInt64(std::round(degrees * 3600.0 * 2048.0 * 16.0));
    RawAngle angle;
    std::int64_t raw = sixteenths / 16;
    std::int64_t ext = sixteenths % 16;
    if (ext < 0) {  // the extension is always added, so keep it non-negative
        ext += 16;
        raw -= 1;
    }
    angle.raw = static_cast<std::int32_t>(raw);
    angle.extension = static_cast<std::uint8_t>(ext);
    return angle;
}

RawHeight metresToRawHeight(double metres) noexcept
{
    RawHeight height;
    height.millimetres = toInt32(metres * 1000.0);
    const double remainder = metres - height.millimetres * 0.001;
    height.correction = toInt32(std::round(remainder * 1024.0));
    return height;
}

}  // namespace gnsslog
