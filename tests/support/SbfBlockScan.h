// A second reading of Septentrio SBF bytes for the tests, written from the
// format's description without the core: its own bit-by-bit CRC and
// plain indices. At each "$@" whose length is a multiple of 4, at least
// the 8 header bytes and at most the framer's cap, a block whose CRC holds
// is taken whole; one whose CRC fails counts and the search goes on one
// byte after its "$". A "$@" cut by the end of the bytes counts as
// truncated and the search goes on one byte after its "$" too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gnsslog::testing {

// The framer's cap on a block's length.
inline constexpr std::size_t kScanSbfMaxBlock = 16384;

struct ScannedSbfBlock {
    std::size_t offset = 0;
    std::size_t length = 0;
    unsigned number = 0;    // ID bits 0-12
    unsigned revision = 0;  // ID bits 13-15
};

struct SbfScan {
    std::vector<ScannedSbfBlock> blocks;
    std::uint64_t crcFailures = 0;
    std::uint64_t truncated = 0;
};

inline unsigned scanLe16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }

// CRC-16-CCITT, polynomial 0x1021, initial 0, bit by bit.
inline unsigned plainCrc16(const std::uint8_t* p, std::size_t n)
{
    unsigned crc = 0;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= static_cast<unsigned>(p[i]) << 8;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000) ? ((crc << 1) ^ 0x1021) & 0xFFFF : (crc << 1) & 0xFFFF;
        }
    }
    return crc;
}

inline SbfScan scanSbfBlocks(const std::uint8_t* bytes, std::size_t n)
{
    SbfScan scan;
    std::size_t i = 0;
    while (i + 2 <= n) {
        if (bytes[i] != '$' || bytes[i + 1] != '@') {
            ++i;
            continue;
        }
        if (i + 8 > n) {
            ++scan.truncated;
            ++i;
            continue;
        }
        const std::size_t length = scanLe16(bytes + i + 6);
        if (length < 8 || length % 4 != 0 || length > kScanSbfMaxBlock) {
            ++i;
            continue;
        }
        if (i + length > n) {
            ++scan.truncated;
            ++i;
            continue;
        }
        if (plainCrc16(bytes + i + 4, length - 4) == scanLe16(bytes + i + 2)) {
            const unsigned id = scanLe16(bytes + i + 4);
            scan.blocks.push_back({i, length, id & 0x1FFF, id >> 13});
            i += length;
        } else {
            ++scan.crcFailures;
            ++i;
        }
    }
    return scan;
}

}  // namespace gnsslog::testing
