// The error plot's series and view state, without any window.
//
// A log holds far more epochs than the plot has pixel columns, so the plot
// never draws records directly. For the visible time window it builds a
// PointStore: at most one PlotPoint per pixel column, carrying the epoch
// with the largest 3-D error of that column, its grid and height fields
// replaced by errors (truth minus measured). The view rules below move and
// size that window; scaleRange() picks the vertical range.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "log/GnssRecord.h"
#include "log/Gpslog.h"

namespace gnsslog {

struct PlotPoint {
    std::int32_t column = 0;  // pixel column in the plot area, 0 at its left edge
    // A private copy of the chosen epoch, except: localX = truthX - localX,
    // localY = truthY - localY, height = truthZ - height (metres).
    GNSSRecord sample;
};

// Time and 3-D error of every record of an analysis, worked out once. A
// record is 96 bytes, so a pass over ten million of them is bound by memory
// bandwidth (about 85 ms on our machines just to read them); the index
// holds the 16 bytes the walk needs, and the window keeps one per analysis
// so that every rebuild on resize and zoom stays within 50 ms. Building
// from the index gives exactly the series built from the records.
class SeriesIndex {
public:
    struct Entry {
        double time;     // record time, seconds
        double error3D;  // distance to the truth, metres
    };
    // The analysis must be complete and outlive the index.
    explicit SeriesIndex(const GNSSLog& analysis);

    const GNSSLog& analysis() const noexcept { return *analysis_; }
    const std::vector<Entry>& entries() const noexcept { return entries_; }

private:
    const GNSSLog* analysis_;
    std::vector<Entry> entries_;
};

class PointStore {
public:
    // Builds the series of the window [centreTime - timeSpan/2,
    // centreTime + timeSpan/2] (seconds) for a plot plotWidth pixels wide, in
    // one pass over analysis.records that stops at the first record past the
    // window end. The column of the last record taken gets no point. With a
    // zero-length window every record inside it (time == centreTime) lies
    // in column 0. The analysis must outlive the series.
    static std::unique_ptr<PointStore> build(std::int32_t plotWidth, const GNSSLog& analysis,
                                             double centreTime, double timeSpan);
    // The same series, walking the index instead of the records.
    static std::unique_ptr<PointStore> build(std::int32_t plotWidth, const SeriesIndex& index,
                                             double centreTime, double timeSpan);

    std::size_t pointCount() const noexcept { return points_.size(); }
    const std::vector<PlotPoint>& points() const noexcept { return points_; }
    std::vector<PlotPoint>::const_iterator begin() const noexcept { return points_.begin(); }
    std::vector<PlotPoint>::const_iterator end() const noexcept { return points_.end(); }
    const GNSSLog& analysis() const noexcept { return *analysis_; }

    // Sample of the point whose column is nearest to pixel column x; of two
    // equally near points the earlier one. Null for an empty series. The
    // pointer is valid as long as this series.
    const GNSSRecord* nearestSample(std::int32_t x) const noexcept;

private:
    explicit PointStore(const GNSSLog& analysis) : analysis_(&analysis) {}
    template <typename TimeOf, typename ErrorOf>
    void walk(std::int32_t plotWidth, std::size_t count, double centreTime, double timeSpan,
              TimeOf timeOf, ErrorOf errorOf);

    std::vector<PlotPoint> points_;
    const GNSSLog* analysis_;
};

// The eight plotted quantities, in the order of their check boxes
// CheckBox1..CheckBox8 (drawing order differs: see drawOrder).
enum class Curve : std::uint8_t {
    XError,       // CheckBox1, metres
    YError,       // CheckBox2, metres
    ZError,       // CheckBox3, metres
    Error3D,      // CheckBox4, metres
    Sep,          // CheckBox5, receiver's error estimate, metres
    GpsSats,      // CheckBox6, satellites x 0.01
    Dop,          // CheckBox7, DOP x 0.01
    GlonassSats,  // CheckBox8, satellites x 0.01
};
inline constexpr std::size_t CurveCount = 8;

// Curves in the order they are drawn; later ones lie over earlier ones.
inline constexpr std::array<Curve, CurveCount> drawOrder = {
    Curve::XError, Curve::YError, Curve::ZError,  Curve::Error3D,
    Curve::Sep,    Curve::GpsSats, Curve::GlonassSats, Curve::Dop};

// Value of a point's sample on the plot's vertical axis (metres).
double plotValue(const GNSSRecord& sample, Curve curve) noexcept;

// Vertical scale selection, in the order of RadioButton1..RadioButton6.
enum class PlotScale : std::uint8_t { Autoscale, M0_05, M0_1, M0_2, M0_5, M1_0 };

// Plot value drawn at the top edge (metres); its negative is at the bottom.
// Autoscale takes the largest of maxErrorX, maxErrorY, maxErrorZ; a result
// of exactly 0 becomes 1.0.
double scaleRange(PlotScale scale, const GNSSLog& analysis) noexcept;
// The same from the three maxima (metres), for a plot without an analysis.
double scaleRange(PlotScale scale, double maxErrorX, double maxErrorY, double maxErrorZ) noexcept;

// The error plot's view: which time window is visible. Each rule works from
// the analysis's startTime and endTime and returns true when it changed the
// view, i.e. when the window must rebuild its series and repaint.
struct PlotViewState {
    std::int32_t ZoomLevel = 1;          // 1 shows the whole log; at least 1
    double CentreTime = 0;               // middle of the visible window, seconds
    double TimeSpan = 0;                 // duration of the visible window, seconds
    std::optional<double> HoveredTime;   // time of the sample last read out, seconds

    bool reset(const GNSSLog& analysis) noexcept;
    bool zoomIn(const GNSSLog& analysis) noexcept;
    bool zoomOut(const GNSSLog& analysis) noexcept;
    bool centre(const GNSSLog& analysis) noexcept;
    // Clamps CentreTime into the log, then zooms in (delta > 0) or out.
    bool wheel(const GNSSLog& analysis, int delta) noexcept;
};

}  // namespace gnsslog
