#include "live/OpenSource.h"

#include "live/FollowSource.h"
#include "live/GpsdSource.h"
#include "live/SerialSource.h"
#include "live/TcpSource.h"

namespace gnsslog {

namespace {

template <typename Source, typename... Arguments>
std::unique_ptr<ByteSource> opened(std::string& error, Arguments&&... arguments)
{
    auto source = std::make_unique<Source>(std::forward<Arguments>(arguments)...);
    error = source->open();
    if (!error.empty()) {
        return nullptr;
    }
    return source;
}

}  // namespace

std::unique_ptr<ByteSource> openByteSource(const SourceAddress& address, std::string& error)
{
    switch (address.kind) {
    case SourceKind::FollowedFile: return opened<FollowSource>(error, address.path);
    case SourceKind::Tcp: return opened<TcpSource>(error, address.host, address.port);
    case SourceKind::Gpsd: return opened<GpsdSource>(error, address.host, address.port);
    case SourceKind::Serial: return openSerialSource(address.path, address.baud, error);
    }
    error = "unknown source kind";
    return nullptr;
}

}  // namespace gnsslog
