// A second, deliberately plain reading of the NMEA sentences in a byte
// stream, written apart from the framer so that the real-log tests can
// count sentences and checksums without trusting it. It scans with indices
// instead of a state machine, but keeps the framer's rules: "$", five
// letters "A".."Z", body bytes 0x20..0x7F up to "*", two characters
// "0".."F", at most 511 bytes in all; a byte that breaks a sentence is
// consumed, so the search resumes after it (a doubled "$" loses the
// sentence that follows); a sentence the bytes end inside is not counted.
// Uses nothing of the core.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace gnsslog::testing {

struct ScannedSentence {
    std::size_t offset = 0;  // of the "$"
    std::string_view text;   // "$" to the second checksum character
    bool checksumMatches = false;
};

namespace scan_detail {

inline constexpr std::size_t kLongestSentence = 511;  // bytes, "$" to checksum
inline constexpr std::size_t kAddressLetters = 5;

inline bool isAddressLetter(std::uint8_t c)
{
    return c >= 'A' && c <= 'Z';
}

inline bool isBodyByte(std::uint8_t c)
{
    return c >= 0x20 && c < 0x80;
}

inline bool isChecksumCharacter(std::uint8_t c)
{
    return c >= '0' && c <= 'F';
}

inline int hexValue(std::uint8_t c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Whether the two characters after the "*" at star give the XOR of the
// bytes between the "$" at start and the "*".
inline bool checksumMatches(const std::uint8_t* bytes, std::size_t start, std::size_t star)
{
    unsigned sum = 0;
    for (std::size_t i = start + 1; i < star; ++i) {
        sum ^= bytes[i];
    }
    const int high = hexValue(bytes[star + 1]);
    const int low = hexValue(bytes[star + 2]);
    return high >= 0 && low >= 0 && sum == static_cast<unsigned>(high * 16 + low);
}

}  // namespace scan_detail

// Every sentence in bytes[0..size), in order.
inline std::vector<ScannedSentence> scanNmeaSentences(const std::uint8_t* bytes, std::size_t size)
{
    using namespace scan_detail;
    std::vector<ScannedSentence> sentences;
    std::size_t next = 0;
    while (next < size) {
        std::size_t start = next;
        while (start < size && bytes[start] != '$') {
            ++start;
        }
        if (start == size) {
            break;
        }
        // Sentence bytes so far: bytes[start..i).
        std::size_t i = start + 1;
        while (i < size && i - start <= kAddressLetters && isAddressLetter(bytes[i])) {
            ++i;
        }
        if (i == size) {
            break;
        }
        if (i - start <= kAddressLetters) {  // bytes[i] is not a letter
            next = i + 1;
            continue;
        }
        while (i < size && i - start < kLongestSentence && isBodyByte(bytes[i]) &&
               bytes[i] != '*') {
            ++i;
        }
        if (i == size) {
            break;
        }
        if (bytes[i] != '*' || i - start >= kLongestSentence) {
            next = i + 1;
            continue;
        }
        const std::size_t star = i++;
        while (i < size && i - star <= 2 && i - start < kLongestSentence &&
               isChecksumCharacter(bytes[i])) {
            ++i;
        }
        if (i - star == 3) {
            sentences.push_back(
                {start,
                 std::string_view(reinterpret_cast<const char*>(bytes + start), i - start),
                 checksumMatches(bytes, start, star)});
            next = i;
            continue;
        }
        if (i == size) {
            break;
        }
        next = i + 1;  // bytes[i] is not a checksum character, or no room for it
    }
    return sentences;
}

}  // namespace gnsslog::testing
