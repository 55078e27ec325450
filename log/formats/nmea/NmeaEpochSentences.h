// The NMEA sentences that complete an epoch rather than make a record of
// their own: GST (error estimate), RMC and ZDA (date), GSA (satellites
// used), and TXT (a start-up banner). Each fills the record's framePart and the fields that part
// carries; the NMEA format's assembler joins them to the epoch's position.
#pragma once

#include "log/GnssRecord.h"
#include "log/formats/nmea/NmeaFieldReader.h"

namespace gnsslog::nmea {

// GST: time and sqrt(sigma latitude^2 + sigma longitude^2 + sigma
// altitude^2) as errorEstimate, the three as the accuracy figures'
// sigmaNorth, sigmaEast and sigmaUp. All three sigmas must be written
// (real receivers leave them empty before they have a solution).
bool decodeGst(DecodedRecord& record, FieldReader& in) noexcept;

// RMC (date ddmmyy in field 9; years 80..99 are 1980..1999, 00..79 are
// 2000..2079) and ZDA (day, month, four-digit year from 1980 to 2999):
// time becomes the seconds since 1970-01-01 00:00 UTC. Only an RMC of
// status "A" dates: one of status "V" comes from a receiver without a fix,
// whose clock may be years off. fixType tells whether the sentence says
// the receiver has a fix: StandAlone for the RMC, NoPosition for the ZDA,
// which does not say. An RMC of status "V" is rejected, but its record
// still holds its date (framePart Date, fixType NoPosition) when the date
// reads: a date far back there tells a cold start.
bool decodeRmc(GNSSRecord& record, FieldReader& in) noexcept;
bool decodeZda(GNSSRecord& record, FieldReader& in) noexcept;

// TXT: true, framePart Restart, for a receiver's start-up banner (u-blox's
// "u-blox AG - www.u-blox.com", in any case); false for any other text.
// The sentence is never a record (valid 0): only its framePart tells.
bool decodeTxt(GNSSRecord& record, FieldReader& in) noexcept;

// GSA: the used-satellite PRNs counted per system into gpsSatellites and
// glonassSatellites. The system ID (NMEA 4.10) decides; without it the
// PRN range does (GPS 1-32, GLONASS 65-96; SBAS 33-64 and others count
// for neither), unless the talker names a system other than GPS and
// GLONASS (GA, GB, GQ, GI, BD), whose PRNs overlap GPS's. satellites
// holds the system ID (0 without one), which tells the assembler when a
// system repeats.
bool decodeGsa(GNSSRecord& record, FieldReader& in, const char* sentence) noexcept;

// Days since 1970-01-01 of a calendar date; false for a date that does
// not exist (31 April, 29 February 2019, month 13).
bool daysSinceEpoch(int year, int month, int day, std::int64_t& days) noexcept;

}  // namespace gnsslog::nmea
