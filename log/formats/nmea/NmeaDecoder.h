// Decoder of NMEA sentences: the position sentences GGA, LLK, LLQ, ORP
// and GNS, and the sentences that complete an epoch, GST, RMC, ZDA and GSA
// (log/formats/nmea/NmeaEpochSentences.h).
//
// The type is the first of "GGA", "LLK", "LLQ", "ORP" found anywhere in the
// sentence (talker letters are not examined; the checksum is not checked);
// a sentence naming none of them is read by its address's last three
// letters ("$GPGST," is a GST). Fields are taken in order; a field counts
// as present only when its separator follows it, and a missing field, a
// time field shorter than four characters, a GGA or GNS latitude of two or
// fewer characters, a longitude of three or fewer, an ORP coordinate kind
// outside 0..4 and an ORP status of 0 or 4 reject the sentence. Number
// fields that do not parse read 0 and reject nothing (see
// log/formats/NumberFields.h).
//
// GNS reads as GGA does, its mode letters (one per system) giving the
// fixType as the GGA quality each stands for (N 0, A 1, D 2, P 3, R 4,
// F 5, E 6, M 7, S 8; an unknown letter 1), the best of them counting:
// R, then F, P, D, A, then E, M, S; only "N" (or none) is no position.
//
// Deliberate departures from a literal reading of the sentence tables, each
// because the literal result would be plainly wrong or undefined:
// - GGA hemisphere letters count: "S" negates the latitude and "W" the
//   longitude (taken literally, every position would be north and east).
// - The LLK DOP and the LLQ position quality are read as decimals, not cut
//   to their integer digits.
// - A decimal that does not parse to a finite number ("nan", "inf", "1e999",
//   hexadecimal forms such as "0x1p3") reads 0, and so does a sum or root
//   that overflows (altitude plus geoid separation, the ORP error root):
//   every stored double is finite.
// - Integer fields and the ORP satellite sum saturate at the 32-bit limits
//   instead of overflowing.
// - A GGA quality indicator outside 0..255 gives fixType 0 rather than a
//   value cut to its low byte.
// - The sentence text is only read, never cut up in place.
#pragma once

#include <cstddef>
#include <cstdint>

#include "log/GnssRecord.h"

namespace gnsslog {

// Fields are held in buffers of this size; a longer field keeps its first
// kNmeaFieldCapacity - 1 characters and the reading continues after it.
inline constexpr std::size_t kNmeaFieldCapacity = 64;

// The sentence type the decoder reads sentence as: the first of "GGA",
// "LLK", "LLQ", "ORP" found anywhere in it, else the type its address
// names among GNS, GST, RMC, ZDA and GSA.
enum class NmeaSolutionType : std::uint8_t { None, Gga, Llk, Llq, Orp, Gns, Gst, Rmc, Zda, Gsa, Txt };
NmeaSolutionType nmeaSolutionType(const char* sentence) noexcept;

// Fills record from sentence: a zero-terminated text starting with '$' and
// ending with "*hh" (no CR/LF). valid is 1 when the sentence was decoded,
// 0 when it was rejected or of another type; a rejected record may hold
// partly decoded fields. framePart tells what a decoded sentence gives
// (FramePart::Solution for the position sentences, OtherSolution for
// GNS). With toKKJ set, a geodetic position is converted to KKJ zone 2
// grid coordinates as well. sentence is not modified. Does not throw and
// does not allocate. A plain record cannot hold a GST's sigmas.
void decodeNmeaSentence(GNSSRecord& record, char* sentence, bool toKKJ) noexcept;
// The same with the sigmas kept.
void decodeNmeaSentence(DecodedRecord& record, char* sentence, bool toKKJ) noexcept;
// The same for a caller that has already asked nmeaSolutionType(sentence),
// which is type.
void decodeNmeaSentence(DecodedRecord& record, const char* sentence, NmeaSolutionType type,
                        bool toKKJ) noexcept;

// Cuts the next field off rest. On success the text before the first
// separator is copied to out (kNmeaFieldCapacity characters, zero-
// terminated, cut to fit) and rest moves past the separator. When rest (a
// zero-terminated text) holds no separator, out becomes "" and rest is left
// as it was; returns false.
bool nextField(char* out, char*& rest, char separator) noexcept;

}  // namespace gnsslog
