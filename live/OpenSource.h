// Opens any live source of live/SourceAddress.h.
#pragma once

#include <memory>
#include <string>

#include "live/ByteSource.h"
#include "live/SourceAddress.h"

namespace gnsslog {

// The opened source, or null with error saying why it cannot be read
// (an unreachable host, a refused connection, a missing or busy device, a
// gpsd without raw mode). Never waits longer than about kConnectTimeout
// per address (a host name's resolution aside).
std::unique_ptr<ByteSource> openByteSource(const SourceAddress& address, std::string& error);

}  // namespace gnsslog
