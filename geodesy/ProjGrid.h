// WGS84 geodetic positions to a projected coordinate system named by its
// EPSG code, through the PROJ library.
//
// The transformation is the one PROJ chooses from WGS84 (EPSG:4326) for the
// system's area of use (proj_create_crs_to_crs), with its axes normalised to
// easting, northing (proj_normalize_for_visualization); the grid is then
// given in the Finnish order, x northing and y easting. Datums: PROJ takes
// WGS84 and ETRS89 as equal unless a time-dependent transformation is asked
// for; in Finland they differ by about 0.9 m in 2026 (see docs/frames.md).
//
// A PROJ context and transformation are not thread-safe: each thread that
// converts owns its own ProjGrid, a copy of the transformation in a
// context of its own; making one is thread-safe.
#pragma once

#include <stdexcept>
#include <string>

struct pj_ctx;
struct PJconsts;

namespace gnsslog {

// An EPSG code PROJ does not know, or one that is not a projected system.
class FrameError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ProjGrid {
public:
    // Throws FrameError naming the code when PROJ does not know it or it is
    // not a projected coordinate system.
    explicit ProjGrid(int epsg);
    ~ProjGrid();
    ProjGrid(ProjGrid&& other) noexcept;
    ProjGrid& operator=(ProjGrid&&) = delete;
    ProjGrid(const ProjGrid&) = delete;
    ProjGrid& operator=(const ProjGrid&) = delete;

    // latitude, longitude: WGS84 degrees. x: northing, y: easting, metres.
    // False, leaving x and y alone, when PROJ cannot transform the position
    // (far outside the system's area, a NaN).
    bool toGrid(double latitude, double longitude, double& x, double& y) noexcept;

    // The system's name as PROJ gives it ("ETRS89 / TM35FIN(E,N)").
    const std::string& crsName() const noexcept { return crsName_; }

    struct Original;  // a system's transformation as PROJ found it

private:
    pj_ctx* context_ = nullptr;
    PJconsts* transformation_ = nullptr;
    std::string crsName_;
};

}  // namespace gnsslog
