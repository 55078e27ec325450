#include "tools/report/options/FrameOptions.h"

#include "common/FormatNumber.h"
#include "geodesy/GridConverter.h"
#include "log/RecordGrid.h"

namespace gnsslog {

std::string resolveFrameSettings(const ReportOptions& options, FrameSettings& settings)
{
    FrameSettings resolved;
    resolved.decode = DecodeOptions{options.toKKJ()};
    resolved.manual[0] = options.manual[0];
    resolved.manual[1] = options.manual[1];
    resolved.manual[2] = options.manual[2];
    // The option's check has accepted the spelling already.
    resolved.decode.frame = parseGridFrame(options.frame).value_or(GridFrame{});
    try {
        checkGridFrame(resolved.decode.frame);
    } catch (const FrameError& error) {
        return "--frame " + options.frame + ": " + error.what();
    }
    if (options.manualGeodetic.size() == 3) {
        const GeodeticPosition truth{options.manualGeodetic[0], options.manualGeodetic[1],
                                     options.manualGeodetic[2]};
        double x = 0;
        double y = 0;
        if (!manualTruthInGrid(resolved.decode, truth, x, y)) {
            return "--manual-geodetic: " + formatGeneral(truth.latitude, 12) + " " +
                   formatGeneral(truth.longitude, 12) + " has no place in the grid " +
                   resolved.decode.frame.name();
        }
        resolved.manual[0] = x;
        resolved.manual[1] = y;
        resolved.manual[2] = truth.height;
    }
    settings = resolved;
    return {};
}

}  // namespace gnsslog
