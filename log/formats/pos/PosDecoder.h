// Decoder of RTKLIB-style solution lines (.pos files), one record each.
//
// The frame is the framer's layout prefix and the line (see PosFramer.h).
// Time: "yyyy/mm/dd hh:mm:ss.sss" gives seconds of the day, "week tow"
// seconds of the GPS week. Positions: degrees or degrees-minutes-seconds
// latitude and longitude with height, ECEF x, y, z (converted to WGS84),
// or an east, north, up baseline (kept as grid north and east with no
// geodetic position). Q 1 is an RTK fix, Q 2 float, anything else
// stand-alone; the three single-axis standard deviations give the error
// estimate, the age the correction age.
#pragma once

#include <cstdint>

#include "log/GnssRecord.h"
#include "log/formats/InputFormat.h"

namespace gnsslog {

// Record for a solution line that reads; Rejected for one that does not
// (a token that is not a number, a field out of range, a missing column,
// an overlong line); Unread for a header line. Does not throw and does not
// allocate.
FrameVerdict decodePosFrame(DecodedRecord& record, const std::uint8_t* frame, std::int32_t length,
                            bool toKKJ) noexcept;

// The date of a solution frame written in calendar time, as days from
// 1970-01-01; false for a line in week and seconds, one whose date or time
// does not read, and a date the calendar does not have (whose time of day
// decodePosFrame reads all the same). Does not throw and does not
// allocate.
bool posFrameDate(const std::uint8_t* frame, std::int32_t length, std::int64_t& daysFrom1970) noexcept;

}  // namespace gnsslog
