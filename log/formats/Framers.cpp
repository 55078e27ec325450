// The once-per-frame steps of the framers and their block fast paths.
#include "log/formats/Framers.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string_view>

#include "log/formats/navcom/Crc16.h"
#include "log/formats/HexDigits.h"

namespace gnsslog {

namespace {

// "*", four characters "0".."F" and a carriage return.
bool isPlainCrcTail(const std::uint8_t* p) noexcept
{
    const auto digit = [](std::uint8_t c) { return c >= '0' && c <= 'F'; };
    return p[0] == '*' && digit(p[1]) && digit(p[2]) && digit(p[3]) && digit(p[4]) && p[5] == '\r';
}

constexpr std::uint64_t kEveryByte = 0x0101010101010101u;
constexpr std::uint64_t kHighBits = 0x8080808080808080u;

// The high bit of each byte of word that is below 0x20, 0x80 or above, or
// "*". Borrows can only mark bytes above a byte that is marked by right, so
// the lowest mark is exact.
constexpr std::uint64_t nonBodyBytes(std::uint64_t word) noexcept
{
    const std::uint64_t control = (word - 0x20 * kEveryByte) & ~word & kHighBits;
    const std::uint64_t star = word ^ ('*' * kEveryByte);
    const std::uint64_t isStar = (star - kEveryByte) & ~star & kHighBits;
    return control | isStar | (word & kHighBits);
}

// A NavCom label, brackets included, that names a binary message.
bool isAcceptedLabel(std::string_view label) noexcept
{
    return label.ends_with("B]") && !label.ends_with("BOOTLOADB]");
}

bool isPlainBodyByte(std::uint8_t c) noexcept
{
    return c >= 0x20 && c < 0x80 && c != '*';
}

// How many of the first limit bytes are plain NMEA body bytes: printable,
// 7-bit and not "*". Eight bytes at a time on little-endian machines, where
// the first byte is the word's lowest.
std::size_t plainBodyRun(const std::uint8_t* p, std::size_t limit) noexcept
{
    std::size_t run = 0;
    if constexpr (std::endian::native == std::endian::little) {
        while (run + 8 <= limit) {
            std::uint64_t word;
            std::memcpy(&word, p + run, sizeof word);
            const std::uint64_t marks = nonBodyBytes(word);
            if (marks != 0) {
                return run + static_cast<std::size_t>(std::countr_zero(marks) / 8);
            }
            run += 8;
        }
    }
    while (run < limit && isPlainBodyByte(p[run])) {
        ++run;
    }
    return run;
}

}  // namespace

std::size_t PacketSniffer::feed(const std::uint8_t* data, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i) {
        if (feedByte(data[i]) == SnifferStatus::Complete) {
            return i + 1;
        }
    }
    return size;
}

std::uint8_t NMEASniffer::publish() noexcept
{
    buffer_[count_] = 0;
    frameStart_ = buffer_;
    frameLength_ = count_;
    frameKind_ = FrameKind::Nmea;
    state_ = State::Searching;
    return status_ = SnifferStatus::Complete;
}

std::size_t NMEASniffer::wholeSentence(const std::uint8_t* data, std::size_t size) noexcept
{
    constexpr std::size_t kAddress = 6;  // "$" and five letters
    constexpr std::size_t kTail = 3;     // "*" and two characters
    // Every byte stored leaves room for the zero, as store() requires.
    constexpr std::size_t kMostStored = BufferSize - 1;
    if (size < kAddress + kTail) {
        return 0;
    }
    for (std::size_t k = 1; k < kAddress; ++k) {
        if (data[k] < 'A' || data[k] > 'Z') {
            return 0;
        }
    }
    const std::size_t body = plainBodyRun(data + kAddress, std::min(size, kMostStored) - kAddress);
    const std::size_t length = kAddress + body + kTail;
    const auto checksumDigit = [](std::uint8_t c) { return c >= '0' && c <= 'F'; };
    if (length > kMostStored || length > size || data[kAddress + body] != '*' ||
        !checksumDigit(data[length - 2]) || !checksumDigit(data[length - 1])) {
        return 0;  // the byte-by-byte machine decides
    }
    count_ = 0;
    append(data, length);
    publish();
    return length;
}

std::size_t NMEASniffer::feed(const std::uint8_t* data, std::size_t size) noexcept
{
    std::size_t i = 0;
    while (i < size) {
        if (state_ == State::Searching) {
            i = findStart(data, i, size, '$');
            if (i == size) {
                return size;
            }
            if (const std::size_t taken = wholeSentence(data + i, size - i); taken != 0) {
                return i + taken;
            }
            feedByte(data[i++]);
        } else if (state_ == State::Body) {
            // Plain body bytes: printable, not "*", and room left for them
            // and the zero. Anything else goes through feedByte.
            const std::size_t run = plainBodyRun(data + i, std::min(size - i, room()));
            if (run == 0) {
                feedByte(data[i++]);
                continue;
            }
            append(data + i, run);
            i += run;
            status_ = SnifferStatus::InFrame;
        } else if (feedByte(data[i++]) == SnifferStatus::Complete) {
            return i;
        }
    }
    return size;
}

std::uint8_t NCTBINSniffer::endLabel() noexcept
{
    buffer_[count_] = 0;  // not counted; the header overwrites it
    // The label holds only "0".."Z" between its brackets, so "contains"
    // and "ends with" are the same test here.
    const std::string_view label(reinterpret_cast<const char*>(buffer_),
                                 static_cast<std::size_t>(count_));
    if (!isAcceptedLabel(label)) {
        return drop();
    }
    headerStart_ = count_;
    counter_ = 0;
    state_ = State::Header;
    return status_ = SnifferStatus::InFrame;
}

std::uint8_t NCTBINSniffer::endHeader() noexcept
{
    const unsigned length = buffer_[headerStart_] | (unsigned{buffer_[headerStart_ + 1]} << 8);
    // Unsigned 16-bit arithmetic: lengths below 9 wrap to large values and
    // fail the limit.
    remainingBody_ = static_cast<std::uint16_t>(length - HeaderSize);
    if (remainingBody_ > MaxBody) {
        return drop();
    }
    counter_ = 0;
    // An empty body (length exactly 9) goes straight on to the "*".
    state_ = remainingBody_ == 0 ? State::Star : State::Body;
    return status_ = SnifferStatus::InFrame;
}

namespace {

// The value of four CRC digits, or -1 when one is not a hexadecimal digit.
int crcDigitsValue(const std::uint8_t* digits) noexcept
{
    int value = 0;
    int invalid = 0;
    for (std::int32_t k = 0; k < NCTBINSniffer::CrcDigits; ++k) {
        const int digit = kHexDigitValues[digits[k]];
        invalid |= digit;  // only -1 sets the sign bit
        value = (value << 4) | (digit & 0xF);
    }
    return invalid < 0 ? -1 : value;
}

}  // namespace

std::uint8_t NCTBINSniffer::verifyAndPublish() noexcept
{
    const std::int32_t n = count_;
    buffer_[n] = 0;  // not counted
    const std::int32_t star = n - 1 - CrcDigits;
    if (star < headerStart_ + HeaderSize || buffer_[star] != '*') {
        return drop();
    }
    const int expected = crcDigitsValue(buffer_ + star + 1);
    if (expected < 0) {
        return drop();
    }
    // Header and body: everything between the label's "]" and the "*".
    if (crcChecked_ &&
        crc16Xmodem(buffer_ + headerStart_, static_cast<std::size_t>(star - headerStart_)) !=
            expected) {
        return drop();
    }
    return publish();
}

std::uint8_t NMEASniffer::finish() noexcept
{
    if (state_ == State::Body || state_ == State::Checksum) {
        ++truncatedFrames_;
    }
    return drop();
}

std::uint8_t NCTBINSniffer::finish() noexcept
{
    if (state_ == State::Crc && counter_ == CrcDigits) {
        // A failed CRC drops it, as the carriage return would.
        return verifyAndPublish();
    }
    if (state_ == State::Header || state_ == State::Body || state_ == State::Star ||
        state_ == State::Crc) {
        ++truncatedFrames_;
    }
    return drop();
}

std::uint8_t NCTBINSniffer::publish() noexcept
{
    buffer_[count_] = 0;  // not counted
    frameStart_ = buffer_;
    frameLength_ = count_;
    frameKind_ = FrameKind::NavcomBinary;
    state_ = State::Searching;
    return status_ = SnifferStatus::Complete;
}

bool NCTBINSniffer::crcMatches(const std::uint8_t* frame, std::int32_t length) noexcept
{
    const std::int32_t star = length - 1 - CrcDigits;
    if (frame == nullptr || star < 0 || frame[star] != '*') {
        return false;
    }
    const void* labelEnd = std::memchr(frame, ']', static_cast<std::size_t>(star));
    if (labelEnd == nullptr) {
        return false;
    }
    const std::int32_t headerStart =
        static_cast<std::int32_t>(static_cast<const std::uint8_t*>(labelEnd) - frame) + 1;
    const int expected = crcDigitsValue(frame + star + 1);
    return expected >= 0 &&
           crc16Xmodem(frame + headerStart, static_cast<std::size_t>(star - headerStart)) ==
               expected;
}

std::size_t NCTBINSniffer::wholeFrame(const std::uint8_t* data, std::size_t size) noexcept
{
    // Frames up to this long never meet a limit of the buffer: every byte
    // is stored below MaxStoredBeforeBodyByte.
    constexpr std::size_t kShortFrame = MaxStoredBeforeBodyByte;
    constexpr std::size_t kTail = 6;  // "*", four CRC digits, CR
    const std::size_t limit = std::min(size, kShortFrame);
    std::size_t labelEnd = 1;
    while (labelEnd < limit && data[labelEnd] >= '0' && data[labelEnd] <= 'Z') {
        ++labelEnd;
    }
    // "[" + two characters + "]" at least.
    if (labelEnd >= limit || data[labelEnd] != ']' || labelEnd < 3 ||
        !isAcceptedLabel(std::string_view(reinterpret_cast<const char*>(data), labelEnd + 1))) {
        return 0;
    }
    const std::size_t header = labelEnd + 1;
    if (header + HeaderSize > limit) {
        return 0;
    }
    const unsigned length = data[header] | (unsigned{data[header + 1]} << 8);
    const auto bodyBytes = static_cast<std::uint16_t>(length - HeaderSize);
    const std::size_t star = header + HeaderSize + bodyBytes;
    if (bodyBytes > MaxBody || star + kTail > limit || !isPlainCrcTail(data + star)) {
        return 0;
    }
    const int expected = crcDigitsValue(data + star + 1);
    if (expected < 0 ||
        (crcChecked_ && crc16Xmodem(data + header, star - header) != expected)) {
        return 0;  // the byte-by-byte machine drops it
    }
    // As the machine leaves itself after publishing this frame.
    count_ = 0;
    append(data, star + 1 + CrcDigits);
    headerStart_ = static_cast<std::int32_t>(header);
    remainingBody_ = 0;
    counter_ = CrcDigits;
    publish();
    return star + kTail;
}

std::size_t NCTBINSniffer::feed(const std::uint8_t* data, std::size_t size) noexcept
{
    std::size_t i = 0;
    while (i < size) {
        if (state_ == State::Searching) {
            i = findStart(data, i, size, '[');
            if (i == size) {
                return size;
            }
            if (const std::size_t taken = wholeFrame(data + i, size - i); taken != 0) {
                return i + taken;
            }
            feedByte(data[i++]);
        } else if (state_ == State::Label) {
            // Label characters while they fit; the byte that ends the run
            // ("]" or anything else) goes through feedByte.
            const std::size_t limit = std::min(size - i, room());
            std::size_t run = 0;
            while (run < limit && data[i + run] >= '0' && data[i + run] <= 'Z') {
                ++run;
            }
            if (run == 0) {
                if (feedByte(data[i++]) == SnifferStatus::Complete) {
                    return i;
                }
                continue;
            }
            append(data + i, run);
            i += run;
            status_ = SnifferStatus::InFrame;
        } else if (state_ == State::Header && room() > 0) {
            const std::size_t run = std::min(
                {size - i, static_cast<std::size_t>(HeaderSize - counter_), room()});
            append(data + i, run);
            i += run;
            counter_ += static_cast<std::int32_t>(run);
            status_ = SnifferStatus::InFrame;
            if (counter_ == HeaderSize) {
                endHeader();
            }
        } else if (state_ == State::Star && size - i >= 6 && room() >= 5 &&
                   isPlainCrcTail(data + i)) {
            // "*", four digits and CR in one go, as feedByte would take them.
            append(data + i, 5);
            i += 6;
            counter_ = CrcDigits;
            state_ = State::Crc;
            if (verifyAndPublish() == SnifferStatus::Complete) {
                return i;
            }
        } else if (state_ == State::Body && count_ <= MaxStoredBeforeBodyByte) {
            // Body bytes are taken whatever their value, one by one while at
            // most 2000 bytes are stored; copy as many as that allows.
            const std::size_t allowed =
                static_cast<std::size_t>(MaxStoredBeforeBodyByte + 1 - count_);
            const std::size_t run = std::min({size - i, std::size_t{remainingBody_}, allowed});
            append(data + i, run);
            remainingBody_ = static_cast<std::uint16_t>(remainingBody_ - run);
            i += run;
            if (remainingBody_ == 0) {
                counter_ = 0;
                state_ = State::Star;
            }
            status_ = SnifferStatus::InFrame;
        } else if (feedByte(data[i++]) == SnifferStatus::Complete) {
            return i;
        }
    }
    return size;
}

}  // namespace gnsslog
