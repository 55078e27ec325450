// CRC-16/XMODEM against published check values and a bit-at-a-time
// reference that shares nothing with the table-driven code.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string_view>
#include <vector>

#include "log/formats/navcom/Crc16.h"

namespace gnsslog {
namespace {

std::uint16_t crcOf(std::string_view text)
{
    return crc16Xmodem(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

// Polynomial division one bit at a time, straight from the definition.
std::uint16_t bitwiseReference(const std::vector<std::uint8_t>& data)
{
    unsigned crc = 0;
    for (std::uint8_t byte : data) {
        crc ^= unsigned{byte} << 8;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000u) ? ((crc << 1) ^ 0x1021u) : (crc << 1);
            crc &= 0xFFFFu;
        }
    }
    return static_cast<std::uint16_t>(crc);
}

// Values from the CRC RevEng catalogue entry for CRC-16/XMODEM (check) and
// computed by hand from the polynomial (the one-byte cases).
TEST(Crc16Xmodem, KnownValues)
{
    struct Row {
        const char* legend;
        std::string_view input;
        std::uint16_t expected;
    };
    const Row rows[] = {
        {"catalogue check value", "123456789", 0x31C3},
        {"empty input keeps the initial value", "", 0x0000},
        {"one byte 0x01 is the polynomial", std::string_view("\x01", 1), 0x1021},
        {"a zero byte leaves a zero register", std::string_view("\0", 1), 0x0000},
        {"letter A", "A", 0x58E5},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(crcOf(row.input), row.expected) << row.legend;
    }
    static constexpr std::uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    static_assert(crc16Xmodem(check, sizeof check) == 0x31C3, "usable in constant expressions");
}

TEST(Crc16Xmodem, NullPointerWithZeroLengthIsZero)
{
    EXPECT_EQ(crc16Xmodem(nullptr, 0), 0);
    EXPECT_EQ(crc16XmodemUpdate(0x1234, nullptr, 0), 0x1234);
}

// Every length from 0 to 80 crosses the eight-byte blocks and the tail at
// every alignment.
TEST(Crc16Xmodem, MatchesBitwiseReferenceAtEveryLength)
{
    std::mt19937 rng(20240611);
    for (std::size_t length = 0; length <= 80; ++length) {
        for (int trial = 0; trial < 20; ++trial) {
            std::vector<std::uint8_t> data(length);
            for (auto& b : data) {
                b = static_cast<std::uint8_t>(rng());
            }
            ASSERT_EQ(crc16Xmodem(data.data(), data.size()), bitwiseReference(data))
                << "length " << length << " trial " << trial;
        }
    }
}

TEST(Crc16Xmodem, EveryByteValueMatchesReference)
{
    for (unsigned value = 0; value < 256; ++value) {
        const std::vector<std::uint8_t> single{static_cast<std::uint8_t>(value)};
        ASSERT_EQ(crc16Xmodem(single.data(), 1), bitwiseReference(single)) << value;
        // Same byte in every slot of a block, after a non-zero register.
        const std::vector<std::uint8_t> block(17, static_cast<std::uint8_t>(value));
        ASSERT_EQ(crc16Xmodem(block.data(), block.size()), bitwiseReference(block)) << value;
    }
}

TEST(Crc16Xmodem, UpdateInPiecesEqualsOnePass)
{
    std::mt19937 rng(7);
    std::vector<std::uint8_t> data(1000);
    for (auto& b : data) {
        b = static_cast<std::uint8_t>(rng());
    }
    const std::uint16_t whole = crc16Xmodem(data.data(), data.size());
    for (int trial = 0; trial < 50; ++trial) {
        std::uint16_t crc = 0;
        std::size_t offset = 0;
        while (offset < data.size()) {
            const std::size_t piece = std::min<std::size_t>(rng() % 23, data.size() - offset);
            crc = crc16XmodemUpdate(crc, data.data() + offset, piece);
            offset += piece;
        }
        ASSERT_EQ(crc, whole) << "trial " << trial;
    }
}

}  // namespace
}  // namespace gnsslog
