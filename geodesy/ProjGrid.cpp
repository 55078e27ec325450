#include "geodesy/ProjGrid.h"

#include <cmath>
#include <map>
#include <mutex>
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

// PROJ takes some 0.13 s to find the transformation for a system (a
// search of its database); copying a found one takes 0.2 ms. So each
// system's transformation is found once per process and every ProjGrid
// gets its own copy, bound to its own context. The originals are touched
// only under the mutex and live as long as the process.
struct ProjGrid::Original {
    PJ_CONTEXT* context = nullptr;
    PJ* transformation = nullptr;
    std::string crsName;
};

namespace {

std::mutex& originalsMutex()
{
    static std::mutex mutex;
    return mutex;
}

// Never freed: reachable until exit, and no PROJ call runs after PROJ's
// own statics are gone.
std::map<int, ProjGrid::Original>& originals()
{
    static auto* found = new std::map<int, ProjGrid::Original>;
    return *found;
}

// Finds the transformation into code; throws FrameError naming the code.
ProjGrid::Original findTransformation(int epsg)
{
    const std::string code = epsgText(epsg);
    ProjGrid::Original original;
    original.context = proj_context_create();
    if (original.context == nullptr) {
        throw FrameError("cannot start PROJ for " + code);
    }
    PJ_CONTEXT* context = original.context;
    // Failures are reported here, as exceptions, not on stderr.
    proj_log_level(context, PJ_LOG_NONE);
    try {
        const PjHolder crs(proj_create(context, code.c_str()));
        if (crs.object == nullptr) {
            throw FrameError("unknown coordinate system " + code);
        }
        const char* name = proj_get_name(crs.object);
        original.crsName = name != nullptr ? name : code;
        if (proj_get_type(crs.object) != PJ_TYPE_PROJECTED_CRS) {
            throw FrameError(code + " (" + original.crsName +
                             ") is not a projected coordinate system: its coordinates are not "
                             "metres on a plane");
        }
        const PjHolder raw(proj_create_crs_to_crs(context, kWgs84, code.c_str(), nullptr));
        if (raw.object == nullptr) {
            throw FrameError("PROJ has no transformation from WGS84 to " + code);
        }
        original.transformation = proj_normalize_for_visualization(context, raw.object);
        if (original.transformation == nullptr) {
            throw FrameError("PROJ cannot order the axes of " + code);
        }
    } catch (...) {
        proj_context_destroy(context);
        throw;
    }
    return original;
}

}  // namespace

ProjGrid::ProjGrid(int epsg)
{
    const std::lock_guard<std::mutex> lock(originalsMutex());
    auto found = originals().find(epsg);
    if (found == originals().end()) {
        found = originals().emplace(epsg, findTransformation(epsg)).first;
    }
    const Original& original = found->second;
    crsName_ = original.crsName;
    context_ = proj_context_create();
    if (context_ == nullptr) {
        throw FrameError("cannot start PROJ for " + epsgText(epsg));
    }
    proj_log_level(context_, PJ_LOG_NONE);
    transformation_ = proj_clone(context_, original.transformation);
    if (transformation_ == nullptr) {
        proj_context_destroy(context_);
        throw FrameError("cannot copy PROJ's transformation to " + epsgText(epsg));
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
