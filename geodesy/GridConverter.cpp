#include "geodesy/GridConverter.h"

#include "geodesy/Kkj.h"

namespace gnsslog {

namespace {
}  // namespace

GridConverter::GridConverter(const GridFrame& frame, const GeodeticPosition& enuOrigin)
    : frame_(frame), plane_(enuOrigin)
{
    if (frame.kind == GridKind::Projected) {
        proj_.emplace(frame.epsg);
    }
}

bool GridConverter::toGrid(double latitude, double longitude, double& x, double& y) noexcept
{
    switch (frame_.kind) {
    case GridKind::Kkj: geodeticToKKJ(latitude, longitude, kSystemKkjZone, x, y); return true;
    case GridKind::Enu: plane_.toNorthEast(latitude, longitude, x, y); return true;
    case GridKind::Projected: return proj_->toGrid(latitude, longitude, x, y);
    }
    return false;
}

void checkGridFrame(const GridFrame& frame)
{
    if (frame.kind == GridKind::Projected) {
        const ProjGrid check(frame.epsg);
    }
}

}  // namespace gnsslog
