// A second reading of NovAtel OEM bytes for the tests, written from the
// format's description without the core: its own bit-by-bit CRC-32 and
// plain indices. Candidates start at AA 44 12 (long binary header, header
// length at least 28), AA 44 13 (short binary header), or "#" / "%" and an
// upper-case letter followed by printable bytes up to "*" and eight
// hexadecimal digits (ASCII). A candidate whose CRC holds is taken whole;
// one whose CRC fails counts and the search goes on one byte after its
// start; a candidate longer than the framer's cap or of the wrong shape is
// none. A candidate cut by the end of the bytes gives way as a failed one
// does, uncounted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace gnsslog::testing {

inline constexpr std::size_t kScanNovatelMaxFrame = 16384;

struct ScannedNovatelFrame {
    std::size_t offset = 0;
    std::size_t length = 0;
    bool ascii = false;
    bool shortHeader = false;
    unsigned id = 0;        // binary: message ID
    std::string_view text;  // ASCII: the whole frame, "#" to the last CRC digit
};

struct NovatelScan {
    std::vector<ScannedNovatelFrame> frames;
    std::uint64_t crcFailures = 0;
};

// Reflected polynomial 0xEDB88320, initial 0, no final xor, bit by bit.
inline std::uint32_t plainCrc32(const std::uint8_t* p, std::size_t n)
{
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
        }
    }
    return crc;
}

inline std::uint32_t scanLe32(const std::uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline int scanHexDigit(std::uint8_t c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

inline NovatelScan scanNovatelFrames(const std::uint8_t* bytes, std::size_t n)
{
    enum class Look { None, Cut, Good, Bad };
    NovatelScan scan;
    std::size_t i = 0;
    while (i < n) {
        Look look = Look::None;
        ScannedNovatelFrame frame;
        frame.offset = i;
        const std::uint8_t c = bytes[i];
        if (c == 0xAA) {
            if (i + 3 > n) {
                look = Look::Cut;
            } else if (bytes[i + 1] == 0x44 && (bytes[i + 2] == 0x12 || bytes[i + 2] == 0x13)) {
                frame.shortHeader = bytes[i + 2] == 0x13;
                const std::size_t need = frame.shortHeader ? 4 : 10;
                if (i + need > n) {
                    look = Look::Cut;
                } else {
                    const std::size_t header = frame.shortHeader ? 12 : bytes[i + 3];
                    const std::size_t body =
                        frame.shortHeader ? bytes[i + 3] : (bytes[i + 8] | (bytes[i + 9] << 8));
                    frame.length = header + body + 4;
                    if ((!frame.shortHeader && header < 28) ||
                        (!frame.shortHeader && frame.length > kScanNovatelMaxFrame)) {
                        look = Look::None;
                    } else if (i + frame.length > n) {
                        look = Look::Cut;
                    } else {
                        frame.id = bytes[i + 4] | (bytes[i + 5] << 8);
                        const std::size_t covered = frame.length - 4;
                        look = plainCrc32(bytes + i, covered) == scanLe32(bytes + i + covered)
                                   ? Look::Good
                                   : Look::Bad;
                    }
                }
            }
        } else if (c == '#' || c == '%') {
            std::size_t k = i + 1;
            if (k < n && !(bytes[k] >= 'A' && bytes[k] <= 'Z')) {
                look = Look::None;
            } else {
                while (k < n && bytes[k] != '*' && bytes[k] >= 0x20 && bytes[k] < 0x7F &&
                       k - i < kScanNovatelMaxFrame) {
                    ++k;
                }
                if (k == n) {
                    look = Look::Cut;
                } else if (bytes[k] == '*' && k + 9 - i <= kScanNovatelMaxFrame) {
                    frame.ascii = true;
                    frame.length = k + 9 - i;
                    std::uint32_t written = 0;
                    bool digits = true;
                    for (std::size_t d = k + 1; d < k + 9 && digits; ++d) {
                        if (d >= n) {
                            look = Look::Cut;
                            digits = false;
                        } else if (scanHexDigit(bytes[d]) < 0) {
                            digits = false;
                        } else {
                            written = written * 16 + static_cast<std::uint32_t>(scanHexDigit(bytes[d]));
                        }
                    }
                    if (digits) {
                        look = plainCrc32(bytes + i + 1, k - i - 1) == written ? Look::Good
                                                                              : Look::Bad;
                    }
                }
            }
        }
        if (look == Look::Cut) {
            ++i;
            continue;
        }
        if (look == Look::Good) {
            if (frame.ascii) {
                frame.text = std::string_view(reinterpret_cast<const char*>(bytes + i),
                                              frame.length);
            }
            scan.frames.push_back(frame);
            i += frame.length;
            continue;
        }
        if (look == Look::Bad) {
            ++scan.crcFailures;
        }
        ++i;
    }
    return scan;
}

}  // namespace gnsslog::testing
