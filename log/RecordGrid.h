// The grid conversion of the frames other than KKJ (the decoders convert
// into KKJ themselves), applied to each frame right after it is decoded.
// A projected frame holds PROJ objects, which are not thread-safe: each
// thread that decodes owns one RecordGrid, made once per analysis.
#pragma once

#include <optional>

#include "geodesy/GridConverter.h"
#include "log/GnssRecord.h"
#include "log/formats/InputFormat.h"

namespace gnsslog {

class RecordGrid {
public:
    // Inactive for the KKJ frame. options.enuOrigin must be set for an Enu
    // frame (the pipeline finds it first). Throws FrameError for a
    // projected frame PROJ cannot use.
    explicit RecordGrid(const DecodeOptions& options);

    bool active() const noexcept { return converter_.has_value(); }

    // A record with a geodetic position gets its grid coordinates, or,
    // where the grid cannot place the position, none (bit 0x02 clear,
    // x and y 0), whatever grid coordinates the log gave.
    void apply(GNSSRecord& record) noexcept
    {
        if (!converter_ || (record.validFlags & ValidFlag::LatLon) == 0) {
            return;
        }
        applyConverter(record);
    }

private:
    void applyConverter(GNSSRecord& record) noexcept;

    std::optional<GridConverter> converter_;
};

// A manual truth typed as a geodetic position, in options' grid: x
// northing and y easting, metres (0 and 0 when nothing is converted). An
// Enu frame takes the position as its origin (options.enuOrigin). False,
// leaving x and y alone, when the grid cannot place the position. Throws
// FrameError for a projected frame PROJ cannot use.
bool manualTruthInGrid(DecodeOptions& options, const GeodeticPosition& truth, double& x, double& y);

// The options the decoders get: toKKJ off for a frame the pipeline
// converts itself.
DecodeOptions decoderOptions(const DecodeOptions& options) noexcept;

}  // namespace gnsslog
