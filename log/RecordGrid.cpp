#include "log/RecordGrid.h"

namespace gnsslog {

RecordGrid::RecordGrid(const DecodeOptions& options)
{
    if (options.frame.kind != GridKind::Kkj) {
        converter_.emplace(options.frame, options.enuOrigin.value_or(GeodeticPosition{}));
    }
}

void RecordGrid::applyConverter(GNSSRecord& record) noexcept
{
    double x = 0;
    double y = 0;
    if (converter_->toGrid(record.latitude, record.longitude, x, y)) {
        record.localX = x;
        record.localY = y;
        record.validFlags |= ValidFlag::Grid;
        return;
    }
    record.localX = 0;
    record.localY = 0;
    record.validFlags &= ~ValidFlag::Grid;
}

DecodeOptions decoderOptions(const DecodeOptions& options) noexcept
{
    DecodeOptions decoders = options;
    if (options.frame.kind != GridKind::Kkj) {
        decoders.toKKJ = false;
    }
    return decoders;
}

}  // namespace gnsslog
