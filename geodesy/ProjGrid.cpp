#include "geodesy/ProjGrid.h"

#include <cmath>
#include <utility>

#include <proj.h>

namespace gnsslog {

namespace {

constexpr const char* kWgs84 = "EPSG:4326";

std::string epsgText(int epsg)
{
    return "EPSG:" + std::to_string(epsg);
}

// Frees a PROJ object at the end of a scope.
struct PjHolder {
    explicit PjHolder(PJ* pj) noexcept : object(pj) {}
    PJ* object;
    ~PjHolder()
    {
        if (object != nullptr) {
            proj_destroy(object);
        }
    }
    PjHolder(const PjHolder&) = delete;
    PjHolder& operator=(const PjHolder&) = delete;
};

}  // namespace

ProjGrid::ProjGrid(int epsg)
{
    const std::string code = epsgText(epsg);
    context_ = proj_context_create();
    if (context_ == nullptr) {
        throw FrameError("cannot start PROJ for " + code);
    }
    // Failures are reported here, as exceptions, not on stderr.
    proj_log_level(context_, PJ_LOG_NONE);
    try {
        const PjHolder crs(proj_create(context_, code.c_str()));
        if (crs.object == nullptr) {
            throw FrameError("unknown coordinate system " + code);
        }
        const char* name = proj_get_name(crs.object);
        crsName_ = name != nullptr ? name : code;
        if (proj_get_type(crs.object) != PJ_TYPE_PROJECTED_CRS) {
            throw FrameError(code + " (" + crsName_ +
                             ") is not a projected coordinate system: its coordinates are not "
                             "metres on a plane");
        }
        const PjHolder raw(proj_create_crs_to_crs(context_, kWgs84, code.c_str(), nullptr));
        if (raw.object == nullptr) {
            throw FrameError("PROJ has no transformation from WGS84 to " + code);
        }
        transformation_ = proj_normalize_for_visualization(context_, raw.object);
        if (transformation_ == nullptr) {
            throw FrameError("PROJ cannot order the axes of " + code);
        }
    } catch (...) {
        proj_context_destroy(context_);
        throw;
    }
}

ProjGrid::~ProjGrid()
{
    if (transformation_ != nullptr) {
        proj_destroy(transformation_);
    }
    if (context_ != nullptr) {
        proj_context_destroy(context_);
    }
}

ProjGrid::ProjGrid(ProjGrid&& other) noexcept
    : context_(std::exchange(other.context_, nullptr)),
      transformation_(std::exchange(other.transformation_, nullptr)),
      crsName_(std::move(other.crsName_))
{
}

bool ProjGrid::toGrid(double latitude, double longitude, double& x, double& y) noexcept
{
    if (!std::isfinite(latitude) || !std::isfinite(longitude)) {
        return false;
    }
    // Normalised axes: longitude, latitude in; easting, northing out.
    const PJ_COORD out =
        proj_trans(transformation_, PJ_FWD, proj_coord(longitude, latitude, 0, 0));
    proj_errno_reset(transformation_);
    if (!std::isfinite(out.xy.x) || !std::isfinite(out.xy.y)) {
        return false;
    }
    x = out.xy.y;
    y = out.xy.x;
    return true;
}

}  // namespace gnsslog
