// The sessions of a log in two pictures: a lane chart, one row per
// session from the top, each aligned at its session's start and coloured
// along its time by the fix class of its records; and the cumulative
// share of sessions fixed against the time to first fix.
#pragma once

#include <span>

#include <QImage>

#include "log/GnssRecord.h"
#include "metrics/Sessions.h"

namespace gnsslog {

// The lane chart's classes, stacked in this order from a row's top where
// one pixel column holds several.
enum class LaneClass : int { RtkFixed, RtkFloat, RtkX, OtherPosition, NoPosition };
inline constexpr int kLaneClassCount = 5;

LaneClass laneClassOf(std::uint8_t fixType) noexcept;
// 0xRRGGBB; the position classes as in the error plot's fix-type strip.
unsigned laneClassColour(LaneClass c) noexcept;

// The plot area of either picture in an image of a given size.
struct SessionsPlotArea {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};
SessionsPlotArea sessionsPlotArea(int imageWidth, int imageHeight) noexcept;

// Repaints the whole image. Each record colours the time from itself to
// the next record of its session (its own pixel column when the next is
// not later); a column's classes are stacked by their share of the
// records there. The time axis runs from 0 to the longest session.
// sessions index into records (measureSessions). Images that are not
// 32-bit RGB are converted to QImage::Format_RGB32 first.
void paintSessionLanes(QImage& image, std::span<const GNSSRecord> records,
                       std::span<const Session> sessions);

// Repaints the whole image: the share of all sessions whose time to first
// fix is at most t, against t from 0 to the longest such time; a curve
// that ends below 100 % leaves the share never fixed.
void paintTimeToFixCdf(QImage& image, std::span<const Session> sessions);

}  // namespace gnsslog
