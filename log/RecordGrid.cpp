#include "log/RecordGrid.h"

#include <cmath>

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

bool manualTruthInGrid(DecodeOptions& options, const GeodeticPosition& truth, double& x, double& y)
{
    if (options.frame.kind == GridKind::Kkj && !options.toKKJ) {
        x = 0;
        y = 0;
        return true;
    }
    // The KKJ and plane formulas take any number; a latitude beyond a pole
    // is no place on the earth.
    if (!(truth.latitude >= -90 && truth.latitude <= 90) || !std::isfinite(truth.longitude)) {
        return false;
    }
    if (options.frame.kind == GridKind::Enu) {
        options.enuOrigin = truth;
    }
    GridConverter converter(options.frame, truth);
    return converter.toGrid(truth.latitude, truth.longitude, x, y);
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
