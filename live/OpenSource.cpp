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

std::unique_ptr<ByteSource> openByteSource(const SourceSpec& spec, std::string& error)
{
    switch (spec.kind) {
    case SourceKind::FollowedFile: return opened<FollowSource>(error, spec.path);
    case SourceKind::Tcp: return opened<TcpSource>(error, spec.host, spec.port);
    case SourceKind::Gpsd: return opened<GpsdSource>(error, spec.host, spec.port);
    case SourceKind::Serial: return openSerialSource(spec.path, spec.baud, error);
    }
    error = "unknown source kind";
    return nullptr;
}

}  // namespace gnsslog
