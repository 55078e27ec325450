// A serial port, read through Qt Serial Port (in its own library, so the
// rest of live/ stays free of Qt). 8 data bits, no parity, 1 stop bit, no
// flow control: what GNSS receivers use. A port that fails after it was
// opened (a USB adapter pulled out) counts a drop and is opened again
// with back-off.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "live/ByteSource.h"

namespace gnsslog {

// While the source exists it keeps a QCoreApplication when the process
// had none; destroy it before making another application object.
// Opens device at baud (bits per second). On failure returns null and
// error says why (missing device, busy, no permission).
std::unique_ptr<ByteSource> openSerialSource(const std::string& device, std::int32_t baud,
                                             std::string& error);

}  // namespace gnsslog
