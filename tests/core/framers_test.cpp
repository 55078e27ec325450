// Framer tests: tables of {legend, input bytes, expected frames} in the
// manner of gpsd's packet tests, the buffer and length limits on both sides
// of each edge, and the block fast path checked against feedByte.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "log/formats/navcom/Crc16.h"
#include "log/formats/Framers.h"

namespace gnsslog {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;
using Frames = std::vector<std::string>;

struct Row {
    const char* legend;
    std::string input;
    Frames expected;
};

template <typename Sniffer>
std::uint16_t kindOf()
{
    return std::is_same_v<Sniffer, NMEASniffer> ? FrameKind::Nmea : FrameKind::NavcomBinary;
}

// The published frame as a string, after checking what every frame owes its
// reader: the zero terminator, the kind and a length that fits the buffer.
template <typename Sniffer>
std::string takeFrame(const Sniffer& sniffer)
{
    EXPECT_EQ(sniffer.frameKind(), kindOf<Sniffer>());
    EXPECT_GT(sniffer.frameLength(), 0);
    EXPECT_LT(sniffer.frameLength(), Sniffer::BufferSize);
    EXPECT_EQ(sniffer.frameStart()[sniffer.frameLength()], 0) << "frame not zero-terminated";
    return std::string(reinterpret_cast<const char*>(sniffer.frameStart()),
                       static_cast<std::size_t>(sniffer.frameLength()));
}

template <typename Sniffer>
Frames framesByteByByte(std::string_view input)
{
    Sniffer sniffer;
    Frames frames;
    for (char c : input) {
        const std::uint8_t status = sniffer.feedByte(static_cast<std::uint8_t>(c));
        EXPECT_EQ(status, sniffer.status());
        if (status == SnifferStatus::Complete) {
            frames.push_back(takeFrame(sniffer));
        }
    }
    return frames;
}

template <typename Sniffer>
Frames framesInOnePiece(std::string_view input)
{
    Sniffer sniffer;
    Frames frames;
    const auto* data = reinterpret_cast<const std::uint8_t*>(input.data());
    std::size_t offset = 0;
    while (offset < input.size()) {
        offset += sniffer.feed(data + offset, input.size() - offset);
        if (sniffer.status() == SnifferStatus::Complete) {
            frames.push_back(takeFrame(sniffer));
        }
    }
    return frames;
}

template <typename Sniffer>
void checkRows(const std::vector<Row>& rows)
{
    for (const Row& row : rows) {
        EXPECT_EQ(framesByteByByte<Sniffer>(row.input), row.expected) << row.legend;
        EXPECT_EQ(framesInOnePiece<Sniffer>(row.input), row.expected) << row.legend << " (feed)";
    }
}

// Statuses after each byte, as a string of digits: "0" searching, "1" in a
// frame, "3" complete.
template <typename Sniffer>
std::string statusTrace(std::string_view input)
{
    Sniffer sniffer;
    std::string trace;
    for (char c : input) {
        trace += static_cast<char>('0' + sniffer.feedByte(static_cast<std::uint8_t>(c)));
    }
    return trace;
}

// --- NavCom message building -------------------------------------------------

std::string le16(unsigned value)
{
    return {static_cast<char>(value & 0xFFu), static_cast<char>((value >> 8) & 0xFFu)};
}

// Length field and seven header bytes the framer does not interpret; the
// zero and 0xFF bytes show that binary header bytes are taken as they are.
std::string header(unsigned lengthField)
{
    return le16(lengthField) + std::string("\x00\xFF\x5D\x2A\x0D\x5B\x01", 7);
}

std::string crcText(std::string_view headerAndBody)
{
    char text[5];
    std::snprintf(text, sizeof text, "%04X",
                  crc16Xmodem(reinterpret_cast<const std::uint8_t*>(headerAndBody.data()),
                              headerAndBody.size()));
    return text;
}

// The frame as the framer publishes it: label to last CRC digit.
std::string navcomFrame(std::string_view label, std::string_view body)
{
    const std::string payload = header(static_cast<unsigned>(9 + body.size())) + std::string(body);
    return std::string(label) + payload + "*" + crcText(payload);
}

// The message as it sits in a log: the frame and its carriage return.
std::string navcom(std::string_view label, std::string_view body)
{
    return navcomFrame(label, body) + "\r";
}

// A body of the given size whose bytes include every value that means
// something to the framer elsewhere ("[", "]", "*", CR, LF, backspace, 0).
std::string body(std::size_t size)
{
    static constexpr char pattern[] = "[]*\r\n\x08\x00\xFFPVT1B$";
    std::string text(size, ' ');
    for (std::size_t i = 0; i < size; ++i) {
        text[i] = pattern[i % (sizeof pattern - 1)];
    }
    return text;
}

const std::string pvtBody = body(62);
const std::string pvt = navcom("[PVT1B]", pvtBody);
const std::string pvtFrame = navcomFrame("[PVT1B]", pvtBody);
const std::string pvtCrc = pvtFrame.substr(pvtFrame.size() - 4);
const std::string pvtUntilStar = pvtFrame.substr(0, pvtFrame.size() - 4);

std::string withCrc(std::string_view digits)
{
    return pvtUntilStar + std::string(digits);
}

std::string lowerCase(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'F') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

// "A".."F" replaced by ":".."?", the characters that follow "9" in ASCII:
// a lazy c - '0' conversion would take them for the same values.
std::string digitsAfterNine(std::string digits)
{
    for (char& c : digits) {
        if (c >= 'A' && c <= 'F') {
            c = static_cast<char>('0' + 10 + (c - 'A'));
        }
    }
    return digits;
}

// A wrong CRC: the right one with its first digit changed.
std::string wrongCrc()
{
    std::string digits = pvtCrc;
    digits[0] = digits[0] == '0' ? '1' : '0';
    return digits;
}

// --- NMEA ------------------------------------------------------------------

TEST(NmeaSniffer, AcceptsAndDropsSentencesByShape)
{
    const std::vector<Row> rows = {
        {"GGA sentence with CR LF", "$GPGGA,123519,4807.038,N*47\r\n",
         {"$GPGGA,123519,4807.038,N*47"}},
        {"checksum value is not the framer's business", "$GPGGA,1*00\r\n", {"$GPGGA,1*00"}},
        {"star right after the address", "$GPGGA*12", {"$GPGGA*12"}},
        {"checksum characters ':' to '@' lie within '0'..'F'", "$GPGGA,1*:@", {"$GPGGA,1*:@"}},
        {"a sixth address letter is body", "$GPGGAX,1*00", {"$GPGGAX,1*00"}},
        {"space and DEL are body bytes", "$GPGGA, \x7F*00", {"$GPGGA, \x7F*00"}},
        {"dollar inside a body is stored", "$GPGGA,a$b*00", {"$GPGGA,a$b*00"}},
        {"a new sentence inside a body does not restart it", "$GPGGA,1,2$GPRMC,3*00",
         {"$GPGGA,1,2$GPRMC,3*00"}},
        {"back-to-back sentences", "$GPGGA,1*00$GPRMC,2*11\r\n$GPLLK,3*22",
         {"$GPGGA,1*00", "$GPRMC,2*11", "$GPLLK,3*22"}},
        {"garbage first", "\0\xFF*\r\nGPGGA,9*99"s + "$GPGGA,1*00",
         {"$GPGGA,1*00"}},
        {"lower-case letter in the address", "$GPgGA,1*00", {}},
        {"digit in the address", "$GP1GA,1*00", {}},
        {"address shorter than five letters", "$GPGG,1*00", {}},
        {"no star before the carriage return", "$GPGGA,1,2\r\n", {}},
        {"line feed in the body", "$GPGGA,1\n*00", {}},
        {"tab in the body", "$GPGGA,\t*00", {}},
        {"byte 0x80 in the body", "$GPGGA,\x80*00", {}},
        {"byte 0xFF in the body", "$GPGGA,\xFF*00", {}},
        {"lower-case checksum character", "$GPGGA,1*5a", {}},
        {"checksum character above 'F'", "$GPGGA,1*5G", {}},
        {"only one checksum character", "$GPGGA,1*5\r\n", {}},
        {"second star after the star", "$GPGGA,1**00", {}},
        {"doubled dollar loses the sentence", "$$GPGGA,1*00", {}},
        {"doubled dollar, then a good sentence", "$$GPGGA,1*00$GPGGA,2*00", {"$GPGGA,2*00"}},
        {"partial sentences, then a good one", "$GPG\r\n$GPGGA,12\r\n$GPGGA,1*0\r\n$GPGGA,1*00",
         {"$GPGGA,1*00"}},
        {"the byte that drops a frame is not a start byte", "$GPGG$GPGGA,1*00", {}},
    };
    checkRows<NMEASniffer>(rows);
}

TEST(NmeaSniffer, StatusFollowsEveryByte)
{
    EXPECT_EQ(statusTrace<NMEASniffer>("x$GPGGA,*00y"), "011111111130");
    // The "$" that breaks the address is consumed; one after the breaking
    // byte starts afresh.
    EXPECT_EQ(statusTrace<NMEASniffer>("$GPG$G"), "111100");
    EXPECT_EQ(statusTrace<NMEASniffer>("$GPG1$G"), "1111011");
}

// A sentence of `length` bytes from "$" to the last checksum character.
std::string nmeaOfLength(std::size_t length)
{
    const std::string head = "$GPGGA,";
    return head + std::string(length - head.size() - 3, 'x') + "*00";
}

TEST(NmeaSniffer, SentenceAndItsZeroMustFit512Bytes)
{
    const std::string longest = nmeaOfLength(511);
    const std::string tooLong = nmeaOfLength(512);
    // Here the "*" itself would be the 512th byte.
    const std::string starTooLate = "$GPGGA," + std::string(504, 'x') + "*00";
    ASSERT_EQ(starTooLate.find('*'), 511u);
    const std::vector<Row> rows = {
        {"511 bytes are framed", longest, {longest}},
        {"512 bytes are dropped at the last checksum character", tooLong, {}},
        {"the 512th byte a star is dropped", starTooLate, {}},
        {"a good sentence after an over-long one", tooLong + "\r\n$GPGGA,1*00", {"$GPGGA,1*00"}},
        {"endless body, then a good sentence", "$GPGGA," + std::string(100000, 'x') + "$GPGGA,1*00",
         {"$GPGGA,1*00"}},
    };
    checkRows<NMEASniffer>(rows);
    EXPECT_EQ(statusTrace<NMEASniffer>(tooLong).substr(509), "110");
}

// --- NavCom binary ---------------------------------------------------------

TEST(NavcomSniffer, AcceptsGoodMessagesAndDropsDamagedOnes)
{
    ASSERT_NE(lowerCase(pvtCrc), pvtCrc) << "the lower-case row needs a CRC with a letter";
    const std::vector<Row> rows = {
        {"PVT1B message", pvt, {pvtFrame}},
        {"garbage before and after", "garbage]*\r" + pvt + "\r\n\0more"s, {pvtFrame}},
        {"back-to-back messages", pvt + pvt, {pvtFrame, pvtFrame}},
        {"lower-case CRC digits", withCrc(lowerCase(pvtCrc)) + "\r", {}},
        {"line feed instead of carriage return", pvtFrame + "\n", {}},
        {"wrong CRC", withCrc(wrongCrc()) + "\r", {}},
        {"three CRC digits", withCrc(pvtCrc.substr(0, 3)) + "\r", {}},
        {"five CRC digits", withCrc(pvtCrc + "0") + "\r", {}},
        {"CRC letter written as the character after '9' with its value",
         withCrc(digitsAfterNine(pvtCrc)) + "\r", {}},
        {"CRC digit ':' is in range but not hexadecimal", withCrc(std::string(":") + pvtCrc.substr(1)) + "\r",
         {}},
        {"no star after the body", pvtUntilStar.substr(0, pvtUntilStar.size() - 1) + "#" + pvtCrc +
                                       "\r",
         {}},
        {"one body byte missing", pvtUntilStar.substr(0, pvtUntilStar.size() - 2) + "*" + pvtCrc +
                                      "\r",
         {}},
        {"one body byte damaged",
         pvtUntilStar.substr(0, 30) + "!" + pvtUntilStar.substr(31) + pvtCrc + "\r", {}},
    };
    checkRows<NCTBINSniffer>(rows);
}

// Only "0".."9" and "A".."F" are digits; the characters between them in
// ASCII lie within the framer's "0".."F" but must fail the check however
// they would be valued, here in place of an "F".
TEST(NavcomSniffer, CharactersBetweenDigitsAndLettersFailTheCrc)
{
    std::string frame;
    for (std::size_t size = 1; frame.empty() && size < 200; ++size) {
        const std::string candidate = navcomFrame("[PVT1B]", body(size));
        if (candidate.find('F', candidate.size() - 4) != std::string::npos) {
            frame = candidate;
        }
    }
    ASSERT_FALSE(frame.empty());
    const std::size_t f = frame.find('F', frame.size() - 4);
    for (char stand : std::string(":;<=>?@")) {
        std::string damaged = frame;
        damaged[f] = stand;
        EXPECT_EQ(framesByteByByte<NCTBINSniffer>(damaged + "\r"), Frames{}) << stand;
        EXPECT_EQ(framesInOnePiece<NCTBINSniffer>(damaged + "\r"), Frames{}) << stand;
    }
    EXPECT_EQ(framesByteByByte<NCTBINSniffer>(frame + "\r"), Frames{frame});
}

TEST(NavcomSniffer, BackspaceTakesBackOneCrcDigit)
{
    const std::string wrong = wrongCrc();
    const std::vector<Row> rows = {
        {"five digits and a backspace, first four right", withCrc(pvtCrc + "7\b") + "\r",
         {pvtFrame}},
        {"five digits and a backspace, last four right", withCrc("0" + pvtCrc + "\b") + "\r", {}},
        {"wrong last digit, backspace, right digit",
         withCrc(pvtCrc.substr(0, 3) + (pvtCrc[3] == '0' ? "1" : "0") + "\b" + pvtCrc.substr(3)) +
             "\r",
         {pvtFrame}},
        {"all four taken back and typed again", withCrc(wrong + "\b\b\b\b" + pvtCrc) + "\r",
         {pvtFrame}},
        {"backspace with no digit stored", withCrc("\b" + pvtCrc) + "\r", {}},
        {"backspace with no digit stored, five digits after", withCrc("\b" + pvtCrc + "0") + "\r",
         {}},
        {"one backspace too many", withCrc(pvtCrc.substr(0, 1) + "\b\b" + pvtCrc) + "\r", {}},
        {"backspace leaving three digits", withCrc(pvtCrc + "\b") + "\r", {}},
    };
    checkRows<NCTBINSniffer>(rows);
    // The backspace that finds no digit drops the frame there and then.
    EXPECT_EQ(statusTrace<NCTBINSniffer>(pvtUntilStar + "\b").back(), '0');
}

TEST(NavcomSniffer, LabelRules)
{
    const std::string longLabel = "[LLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLB]";
    const std::vector<Row> rows = {
        {"other label ending in B", navcom("[MEAS1B]", body(40)), {navcomFrame("[MEAS1B]", body(40))}},
        {"shortest label, two characters", navcom("[AB]", body(5)), {navcomFrame("[AB]", body(5))}},
        {"label of digits and punctuation from '0' to 'Z'", navcom("[0:@Z9B]", body(5)),
         {navcomFrame("[0:@Z9B]", body(5))}},
        // The CRC starts after the label's own "]", however long the label.
        {"label longer than 32 bytes", navcom(longLabel, body(9)), {navcomFrame(longLabel, body(9))}},
        {"BOOTLOADB is never framed", navcom("[BOOTLOADB]", body(20)), {}},
        {"BOOTLOADB at the end of a longer label", navcom("[XBOOTLOADB]", body(20)), {}},
        {"BOOTLOADB followed by more is an ordinary label", navcom("[BOOTLOADB1B]", body(20)),
         {navcomFrame("[BOOTLOADB1B]", body(20))}},
        {"label not ending in B", navcom("[PVT1A]", pvtBody), {}},
        {"lower-case label", navcom("[pvt1B]", pvtBody), {}},
        {"']' as second byte", navcom("[]", pvtBody), {}},
        {"']' as third byte", navcom("[B]", pvtBody), {}},
        {"doubled '[' loses the message", "[" + pvt, {}},
        {"doubled '[', then a good message", "[" + pvt + pvt, {pvtFrame}},
        {"a second label start inside a label", "[PVT[PVT1B]" + pvt.substr(7), {}},
        {"partial label, then a good message", "[PVT1\r\n" + pvt, {pvtFrame}},
        {"label interrupted by the next message", "[PVT" + pvt + pvt, {pvtFrame}},
    };
    checkRows<NCTBINSniffer>(rows);
}

// Length field 9 means no body: the "*" follows the header at once.
TEST(NavcomSniffer, LengthFieldNineIsAnEmptyBody)
{
    const std::string empty = navcomFrame("[PVT1B]", "");
    ASSERT_EQ(empty.size(), 7u + 9 + 1 + 4);
    checkRows<NCTBINSniffer>({{"empty body", empty + "\r", {empty}}});
}

TEST(NavcomSniffer, ResynchronisesAfterPartialAndDamagedMessages)
{
    // A header announcing 100 body bytes, then only 10: the announced body
    // swallows the next 84-byte message and the first 6 bytes of the one
    // after; that one's "]" then arrives where the "*" was due and drops.
    const std::string truncated = "[PVT1B]" + header(109) + body(10);
    ASSERT_EQ(pvt.size(), 84u);
    const std::string third = navcom("[MEAS1B]", "abc");
    const std::vector<Row> rows = {
        {"truncated body swallows what follows", truncated + pvt + pvt + third,
         {navcomFrame("[MEAS1B]", "abc")}},
        {"wrong CRC, then a good message", withCrc(wrongCrc()) + "\r" + pvt, {pvtFrame}},
        {"missing carriage return, then a good message", pvtFrame + pvt, {}},
        {"missing carriage return, garbage, then a good message", pvtFrame + "\n" + pvt,
         {pvtFrame}},
        {"header cut short by garbage is still header", "[PVT1B]\x3E" + pvt, {}},
    };
    checkRows<NCTBINSniffer>(rows);
}

// The length test happens at the ninth header byte: N - 9 > 2000 drops, and
// lengths below 9 wrap to large values.
TEST(NavcomSniffer, LengthFieldLimitAtTheNinthHeaderByte)
{
    const std::string label = "[PVT1B]";
    EXPECT_EQ(statusTrace<NCTBINSniffer>(label + header(2010) + "x"), "1111111" "11111111" "0" "0");
    EXPECT_EQ(statusTrace<NCTBINSniffer>(label + header(2009) + "x"), "1111111" "11111111" "1" "1");
    EXPECT_EQ(statusTrace<NCTBINSniffer>(label + header(8) + "x"), "1111111" "11111111" "0" "0");
    EXPECT_EQ(statusTrace<NCTBINSniffer>(label + header(0) + "x"), "1111111" "11111111" "0" "0");
    EXPECT_EQ(statusTrace<NCTBINSniffer>(label + header(0xFFFF) + "x"), "1111111" "11111111" "0" "0");
}

// A body byte is refused once more than 2000 bytes are stored, label and
// header included: with a label of L bytes the longest body is 1992 - L.
TEST(NavcomSniffer, StoredBytesLimitInTheBody)
{
    const std::vector<Row> rows = {
        {"PVT1B, body 1985", navcom("[PVT1B]", body(1985)), {navcomFrame("[PVT1B]", body(1985))}},
        {"PVT1B, body 1986", navcom("[PVT1B]", body(1986)), {}},
        {"shortest label, body 1988", navcom("[AB]", body(1988)), {navcomFrame("[AB]", body(1988))}},
        {"shortest label, body 1989", navcom("[AB]", body(1989)), {}},
        {"body 2000 passes the length test but not the stored-bytes test",
         navcom("[AB]", body(2000)), {}},
        {"a good message after an over-long body", navcom("[PVT1B]", body(1986)) + pvt,
         {pvtFrame}},
    };
    checkRows<NCTBINSniffer>(rows);
    // Dropped at the 1986th body byte itself, after 7 + 9 + 1985 stored.
    const std::string trace = statusTrace<NCTBINSniffer>(navcom("[PVT1B]", body(1986)));
    EXPECT_EQ(trace.substr(7 + 9 + 1984, 3), "100");
}

// Every state refuses a byte that would leave no room for the zero in the
// 4096-byte buffer. Labels can be long; a message with an empty body and a
// label of L bytes holds L + 14 bytes, so L = 4081 is the longest.
TEST(NavcomSniffer, BufferLimitInEveryState)
{
    const auto longLabel = [](std::size_t length) {
        std::string label = "[";
        label.append(length - 3, 'A');
        return label + "B]";
    };
    const std::string longest = navcomFrame(longLabel(4081), "");
    ASSERT_EQ(longest.size(), 4095u);
    const std::vector<Row> rows = {
        {"longest label that fits", longest + "\r", {longest}},
        {"one label byte more: dropped at the last CRC digit",
         navcomFrame(longLabel(4082), "") + "\r", {}},
        {"label of 4095 bytes: dropped at the first header byte",
         navcomFrame(longLabel(4095), "") + "\r", {}},
        {"label of 4096 bytes: dropped at its ']'", navcomFrame(longLabel(4096), "") + "\r", {}},
        {"endless label, then a good message", std::string("[") + std::string(100000, 'P') + "\r" + pvt,
         {pvtFrame}},
        {"endless CRC digits, then a good message",
         pvtUntilStar + std::string(100000, '0') + "\r" + pvt, {pvtFrame}},
        {"long label with a body is stopped by the stored-bytes limit",
         navcom(longLabel(2000), "x"), {}},
    };
    checkRows<NCTBINSniffer>(rows);
    EXPECT_EQ(statusTrace<NCTBINSniffer>(longLabel(4096)).substr(4094), "10");
    EXPECT_EQ(statusTrace<NCTBINSniffer>(longLabel(4095) + "L").substr(4094), "10");
}

// --- Block fast path and chunking -----------------------------------------

// A log-like stream whose every good frame must come out: garbage without
// start bytes, messages with damaged CRCs, labels cut off by a line feed,
// all ending in a byte that returns the framer to its ground state.
struct Mix {
    std::string bytes;
    Frames frames;
};

Mix navcomMix(std::uint32_t seed, std::size_t messages)
{
    std::mt19937 rng(seed);
    Mix mix;
    const char* labels[] = {"[PVT1B]", "[MEAS1B]", "[CHNLSTATUS1B]", "[AB]"};
    for (std::size_t m = 0; m < messages; ++m) {
        std::string b(rng() % 300, ' ');
        for (char& c : b) {
            c = static_cast<char>(rng());
        }
        const char* label = labels[rng() % 4];
        switch (rng() % 5) {
        case 0: {
            const std::size_t n = rng() % 40;
            for (std::size_t i = 0; i < n; ++i) {
                char c = static_cast<char>(rng());
                mix.bytes += c == '[' ? '.' : c;
            }
            mix.bytes += '\n';
            break;
        }
        case 1: {
            std::string frame = navcomFrame(label, b);
            frame.back() = frame.back() == '0' ? '1' : '0';
            mix.bytes += frame + "\r";
            break;
        }
        case 2:
            if (rng() % 2 == 0) {
                mix.bytes += std::string(label).substr(0, 3) + "\n";
            } else {
                // A digit too many, taken back before the carriage return.
                mix.bytes += navcomFrame(label, b) + "F\b\r";
                mix.frames.push_back(navcomFrame(label, b));
            }
            break;
        default:
            mix.bytes += navcom(label, b);
            mix.frames.push_back(navcomFrame(label, b));
            break;
        }
    }
    return mix;
}

Mix nmeaMix(std::uint32_t seed, std::size_t sentences)
{
    std::mt19937 rng(seed);
    Mix mix;
    for (std::size_t s = 0; s < sentences; ++s) {
        std::string sentence = "$GPGGA,";
        const std::size_t n = rng() % 80;
        for (std::size_t i = 0; i < n; ++i) {
            sentence += static_cast<char>(0x20 + rng() % 0x60);
        }
        for (std::size_t i = 7; i < sentence.size(); ++i) {
            if (sentence[i] == '*') {
                sentence[i] = ',';
            }
        }
        sentence += "*4F";
        switch (rng() % 4) {
        case 0:
            mix.bytes += "garbage\xF0\r\n";
            break;
        case 1:
            mix.bytes += sentence.substr(0, sentence.size() - 2) + "\r\n";
            break;
        default:
            mix.bytes += sentence + "\r\n";
            mix.frames.push_back(sentence);
            break;
        }
    }
    return mix;
}

// Feeds the input through feed() in random chunks while a second framer
// takes the same bytes one at a time: after every call both must agree on
// the status, and on the frame whenever one completes.
template <typename Sniffer>
Frames framesInRandomChunks(std::string_view input, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    Sniffer fast;
    Sniffer reference;
    Frames frames;
    const auto* data = reinterpret_cast<const std::uint8_t*>(input.data());
    std::size_t offset = 0;
    while (offset < input.size()) {
        const std::size_t chunk = std::min<std::size_t>(1 + rng() % 700, input.size() - offset);
        const std::size_t used = fast.feed(data + offset, chunk);
        EXPECT_GE(used, 1u);
        EXPECT_LE(used, chunk);
        std::uint8_t status = reference.status();
        for (std::size_t i = 0; i < used; ++i) {
            status = reference.feedByte(data[offset + i]);
            if (i + 1 < used && status == SnifferStatus::Complete) {
                ADD_FAILURE() << "feed() ran past a complete frame at offset " << offset + i;
            }
        }
        offset += used;
        EXPECT_EQ(fast.status(), status) << "at offset " << offset;
        if (status == SnifferStatus::Complete) {
            EXPECT_EQ(takeFrame(fast), takeFrame(reference)) << "at offset " << offset;
            frames.push_back(takeFrame(fast));
        }
        if (testing::Test::HasFailure()) {
            break;
        }
    }
    return frames;
}

TEST(FramerChunking, NavcomFramesAreTheSameHoweverTheBytesArrive)
{
    const Mix mix = navcomMix(12345, 2000);
    ASSERT_GT(mix.frames.size(), 500u);
    EXPECT_EQ(framesByteByByte<NCTBINSniffer>(mix.bytes), mix.frames);
    EXPECT_EQ(framesInOnePiece<NCTBINSniffer>(mix.bytes), mix.frames);
    for (std::uint32_t seed = 1; seed <= 5; ++seed) {
        EXPECT_EQ(framesInRandomChunks<NCTBINSniffer>(mix.bytes, seed), mix.frames) << seed;
    }
}

TEST(FramerChunking, NmeaFramesAreTheSameHoweverTheBytesArrive)
{
    const Mix mix = nmeaMix(54321, 3000);
    ASSERT_GT(mix.frames.size(), 1000u);
    EXPECT_EQ(framesByteByByte<NMEASniffer>(mix.bytes), mix.frames);
    EXPECT_EQ(framesInOnePiece<NMEASniffer>(mix.bytes), mix.frames);
    for (std::uint32_t seed = 1; seed <= 5; ++seed) {
        EXPECT_EQ(framesInRandomChunks<NMEASniffer>(mix.bytes, seed), mix.frames) << seed;
    }
}

// Random bytes drawn mostly from the characters the machines care about
// reach every state and every limit; the fast path must agree throughout.
std::string hostileBytes(std::uint32_t seed, std::size_t size, std::string_view alphabet)
{
    std::mt19937 rng(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = rng() % 4 == 0 ? static_cast<char>(rng()) : alphabet[rng() % alphabet.size()];
    }
    return bytes;
}

TEST(FramerChunking, FastPathAgreesOnHostileInput)
{
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
        const std::string navcomBytes = hostileBytes(seed, 300000, "[]B*\r\b0F9AZa\t\0PVT"sv);
        framesInRandomChunks<NCTBINSniffer>(navcomBytes, seed);
        const std::string nmeaBytes = hostileBytes(seed, 300000, "$*GPA0F,\r\nab\x80"sv);
        framesInRandomChunks<NMEASniffer>(nmeaBytes, seed);
    }
    // Long runs make the limits matter: a long label, then a long body.
    std::string runs;
    for (int i = 0; i < 50; ++i) {
        runs += '[';
        runs.append(static_cast<std::size_t>(i) * 90, 'Q');
        runs += "B]" + header(1500) + body(1500) + "*0000\r" + pvt;
    }
    EXPECT_EQ(framesInRandomChunks<NCTBINSniffer>(runs, 99), framesByteByByte<NCTBINSniffer>(runs));
}

// The fast body copy of the NMEA framer stops where feedByte would: the
// 511th stored byte of a body leaves no room for the zero.
TEST(FramerChunking, NmeaFastPathStopsAtTheBufferLimit)
{
    for (std::size_t fill = 500; fill <= 506; ++fill) {
        const std::string input = "$GPGGA," + std::string(fill, 'x');
        NMEASniffer sniffer;
        const auto* data = reinterpret_cast<const std::uint8_t*>(input.data());
        EXPECT_EQ(sniffer.feed(data, input.size()), input.size());
        EXPECT_EQ(sniffer.status(), statusTrace<NMEASniffer>(input).back() - '0') << fill;
    }
}

// A whole sentence in one piece is taken at once only while the buffer
// holds it with its zero: up to 511 bytes, as the byte-by-byte machine.
TEST(FramerChunking, WholeSentencesUpToTheBufferLimit)
{
    for (std::size_t length = 505; length <= 515; ++length) {
        const std::string sentence = "$GPGGA," + std::string(length - 10, 'x') + "*1F";
        ASSERT_EQ(sentence.size(), length);
        const std::string input = sentence + "\r\n$GPGGA,y*2A\r\n";
        const Frames frames = framesInOnePiece<NMEASniffer>(input);
        EXPECT_EQ(frames, framesByteByByte<NMEASniffer>(input)) << length;
        ASSERT_FALSE(frames.empty()) << length;
        EXPECT_EQ(frames.front() == sentence, length <= 511) << length;
        EXPECT_EQ(frames.back(), "$GPGGA,y*2A") << length;
    }
}

// A NavCom frame that lies whole in the bytes is taken in one step only
// where the byte-by-byte machine would publish it: at every length around
// the short-frame bound, with refused labels, lengths and CRCs between, and
// with the CRC checked by the framer or left to its reader.
TEST(FramerChunking, WholeNavcomFramesAgreeWithTheByteMachine)
{
    std::string input;
    for (std::size_t size = 1970; size <= 2001; ++size) {
        input += navcom("[PVT1B]", body(size));
    }
    input += navcom("[PVT1B]", "") + navcom("[B]", body(5)) + navcom("[AB]", body(5)) +
             navcom("[BOOTLOADB]", body(5)) + navcom("[PVT1A]", body(5)) + pvt;
    input += withCrc("0000") + "\r" + withCrc("00:0") + "\r" + pvt;
    input += "[PVT1B]" + header(3) + "*0000\r" + pvt;
    input += "[PVT1B]" + header(9 + 2001) + body(2001) + "*0000\r" + pvt;
    for (const bool checked : {true, false}) {
        const auto frames = [&](bool whole) {
            NCTBINSniffer sniffer(checked);
            Frames found;
            const auto* data = reinterpret_cast<const std::uint8_t*>(input.data());
            for (std::size_t offset = 0; offset < input.size();) {
                if (whole) {
                    offset += sniffer.feed(data + offset, input.size() - offset);
                } else {
                    sniffer.feedByte(data[offset++]);
                }
                if (sniffer.status() == SnifferStatus::Complete) {
                    found.push_back(takeFrame(sniffer));
                }
            }
            return found;
        };
        const Frames expected = frames(false);
        EXPECT_EQ(frames(true), expected) << checked;
        // Bodies up to 1985 bytes fit below the storage limit here, and the
        // frames after each refused one are found.
        EXPECT_GE(expected.size(), 16u + 4u) << checked;
    }
}

TEST(FramerChunking, EmptyAndNullInputConsumesNothing)
{
    NCTBINSniffer navcomSniffer;
    EXPECT_EQ(navcomSniffer.feed(nullptr, 0), 0u);
    EXPECT_EQ(navcomSniffer.status(), SnifferStatus::Searching);
    NMEASniffer nmeaSniffer;
    EXPECT_EQ(nmeaSniffer.feed(nullptr, 0), 0u);
    EXPECT_EQ(nmeaSniffer.status(), SnifferStatus::Searching);
}

// The pipeline calls through the concrete types; the base must still work.
TEST(FramerChunking, CallsThroughTheBaseClass)
{
    NCTBINSniffer navcomSniffer;
    PacketSniffer& sniffer = navcomSniffer;
    int complete = 0;
    for (char c : pvt + pvt) {
        complete += sniffer.feedByte(static_cast<std::uint8_t>(c)) == SnifferStatus::Complete;
    }
    EXPECT_EQ(complete, 2);
    EXPECT_EQ(sniffer.frameKind(), FrameKind::NavcomBinary);
    EXPECT_EQ(sniffer.frameLength(), static_cast<std::int32_t>(pvtFrame.size()));
}

// A framer that leaves the CRC to its reader publishes the same frames as
// the checking one once its reader drops those crcMatches() refuses, and
// finds every frame after a refused one: the machine restarts the same way.
TEST(NavcomSniffer, CrcLeftToTheReaderGivesTheSameFrames)
{
    std::string bytes;
    const Mix mix = navcomMix(777, 3000);
    bytes = mix.bytes + withCrc(wrongCrc()) + "\r" + pvt + withCrc("0:00") + "\r" + pvt;
    NCTBINSniffer checking;
    NCTBINSniffer unchecked(false);
    Frames checked;
    Frames kept;
    std::size_t refused = 0;
    for (char c : bytes) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (checking.feedByte(byte) == SnifferStatus::Complete) {
            checked.push_back(takeFrame(checking));
        }
        if (unchecked.feedByte(byte) != SnifferStatus::Complete) {
            continue;
        }
        if (NCTBINSniffer::crcMatches(unchecked.frameStart(), unchecked.frameLength())) {
            kept.push_back(takeFrame(unchecked));
        } else {
            ++refused;
        }
    }
    EXPECT_EQ(kept, checked);
    EXPECT_GT(refused, 100u);  // the mix damages about a fifth of its messages
    EXPECT_EQ(framesInOnePiece<NCTBINSniffer>(bytes), checked);
}

TEST(NavcomSniffer, CrcMatchesRefusesWhatIsNotAFrame)
{
    const auto* frame = reinterpret_cast<const std::uint8_t*>(pvtFrame.data());
    const auto length = static_cast<std::int32_t>(pvtFrame.size());
    EXPECT_TRUE(NCTBINSniffer::crcMatches(frame, length));
    EXPECT_FALSE(NCTBINSniffer::crcMatches(frame, length - 1));  // no "*" where expected
    EXPECT_FALSE(NCTBINSniffer::crcMatches(nullptr, 0));
    EXPECT_FALSE(NCTBINSniffer::crcMatches(frame, 3));
    const std::string noLabelEnd = "[PVT1B*0000";
    EXPECT_FALSE(NCTBINSniffer::crcMatches(
        reinterpret_cast<const std::uint8_t*>(noLabelEnd.data()),
        static_cast<std::int32_t>(noLabelEnd.size())));
    std::string damaged = pvtFrame;
    damaged[10] = static_cast<char>(damaged[10] ^ 0x01);
    EXPECT_FALSE(NCTBINSniffer::crcMatches(reinterpret_cast<const std::uint8_t*>(damaged.data()),
                                           length));
}

// The body scan looks at eight bytes at a time: every byte that ends a
// body run, at every position of a word, must stop it where feedByte does.
TEST(FramerChunking, NmeaBodyRunStopsAtEveryKindOfByteInEveryWordPosition)
{
    const char stops[] = {'*', '\r', '\n', '\0', '\x1f', '\x7f', '\x80', '\xaa', '\xff', ' '};
    for (std::size_t prefix = 0; prefix < 20; ++prefix) {
        for (const char stop : stops) {
            const std::string input =
                "$GPGGA," + std::string(prefix, 'x') + stop + "y*1F" + "$GPGGA,z*2A";
            EXPECT_EQ(framesInOnePiece<NMEASniffer>(input), framesByteByByte<NMEASniffer>(input))
                << prefix << " " << int(static_cast<unsigned char>(stop));
        }
    }
}

}  // namespace
}  // namespace gnsslog
