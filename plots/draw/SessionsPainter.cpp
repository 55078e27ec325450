#include "plots/draw/SessionsPainter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "common/Saturate.h"
#include "plots/draw/CanvasPainter.h"
#include "plots/draw/ErrorPlotPainter.h"

namespace gnsslog {

namespace {

constexpr unsigned White = 0xFFFFFF;
constexpr unsigned Black = 0x000000;
constexpr unsigned Grey = 0x808080;
constexpr unsigned NoPositionGrey = 0xC8C8C8;

constexpr int LeftLabels = 50;    // pixels left of the plot for the row or share labels
constexpr int TopMargin = 22;     // room for the title
constexpr int LevelLabelHeight = 13;  // pixels between the CDF's level labels
constexpr int RightMargin = 14;
constexpr int BottomLabels = 40;  // time labels and the legend

using ClassCounts = std::array<std::uint32_t, kLaneClassCount>;

// A time from 0 to span as a column 0..width-1.
int columnOf(double seconds, double span, int width) noexcept
{
    const double position = std::floor(seconds / span * width);
    return std::clamp(toInt32(position), 0, width - 1);
}

void drawTimeAxis(Canvas& canvas, const SessionsPlotArea& a, double span)
{
    canvas.setPen(Black);
    canvas.moveTo(a.left, a.top);
    canvas.lineTo(a.left, a.top + a.height);
    canvas.lineTo(a.left + a.width, a.top + a.height);
    const int bottom = a.top + a.height;
    canvas.textOut(a.left - 4, bottom + 4, QStringLiteral("0"));
    const QString end = QString::asprintf("%.0f s", span);
    canvas.textOut(a.left + a.width - canvas.textWidth(end) / 2, bottom + 4, end);
}

// One session's row: per column, how many records of each class cover it.
std::vector<ClassCounts> rowCounts(std::span<const GNSSRecord> records, const Session& s,
                                   double span, int width)
{
    std::vector<ClassCounts> columns(static_cast<std::size_t>(width), ClassCounts{});
    const std::size_t end = std::min(records.size(), s.firstIndex + s.recordCount);
    for (std::size_t i = s.firstIndex; i < end; ++i) {
        const double from = records[i].time - s.startTime;
        if (!(from >= 0 && from <= span)) {
            continue;  // a record before its session's start (a step back)
        }
        const int first = columnOf(from, span, width);
        int last = first;
        if (i + 1 < end && records[i + 1].time - s.startTime > from) {
            // Up to, not including, the next record's column.
            last = std::max(first, columnOf(records[i + 1].time - s.startTime, span, width) - 1);
        }
        const auto c = static_cast<std::size_t>(laneClassOf(records[i].fixType));
        for (int column = first; column <= last; ++column) {
            ++columns[static_cast<std::size_t>(column)][c];
        }
    }
    return columns;
}

void paintRow(Canvas& canvas, const std::vector<ClassCounts>& columns, int left, int top,
              int bottom)
{
    const int height = bottom - top;
    for (std::size_t column = 0; column < columns.size(); ++column) {
        const ClassCounts& counts = columns[column];
        std::uint64_t total = 0;
        for (const std::uint32_t n : counts) {
            total += n;
        }
        if (total == 0) {
            continue;
        }
        const int x = left + static_cast<int>(column);
        std::uint64_t above = 0;
        for (int c = 0; c < kLaneClassCount; ++c) {
            const std::uint32_t n = counts[static_cast<std::size_t>(c)];
            if (n == 0) {
                continue;
            }
            const int y1 = top + toInt32(std::round(static_cast<double>(above) * height / total));
            above += n;
            const int y2 = top + toInt32(std::round(static_cast<double>(above) * height / total));
            canvas.fillRect(x, y1, x + 1, y2, laneClassColour(static_cast<LaneClass>(c)));
        }
    }
}

void drawLaneLegend(Canvas& canvas, const SessionsPlotArea& a)
{
    struct Entry {
        LaneClass c;
        const char* text;
    };
    static constexpr Entry entries[] = {{LaneClass::RtkFixed, "RTK fixed"},
                                        {LaneClass::RtkFloat, "RTK float"},
                                        {LaneClass::RtkX, "RTK-X"},
                                        {LaneClass::OtherPosition, "other position"},
                                        {LaneClass::NoPosition, "no position"}};
    int x = a.left;
    const int y = a.top + a.height + 22;
    for (const Entry& e : entries) {
        canvas.fillRect(x, y + 2, x + 10, y + 10, laneClassColour(e.c));
        const QString text = QString::fromLatin1(e.text);
        canvas.textOut(x + 13, y, text);
        x += 13 + canvas.textWidth(text) + 12;
    }
}

}  // namespace

LaneClass laneClassOf(std::uint8_t fixType) noexcept
{
    switch (fixType) {
    case FixType::RtkFixed: return LaneClass::RtkFixed;
    case FixType::RtkFloat: return LaneClass::RtkFloat;
    case FixType::RtkX: return LaneClass::RtkX;
    case FixType::NoPosition: return LaneClass::NoPosition;
    default: return LaneClass::OtherPosition;
    }
}

unsigned laneClassColour(LaneClass c) noexcept
{
    switch (c) {
    case LaneClass::RtkFixed: return fixStripColour(FixType::RtkFixed);
    case LaneClass::RtkFloat: return fixStripColour(FixType::RtkFloat);
    case LaneClass::RtkX: return fixStripColour(FixType::RtkX);
    case LaneClass::OtherPosition: return fixStripColour(FixType::StandAlone);
    case LaneClass::NoPosition: return NoPositionGrey;
    }
    return NoPositionGrey;
}

SessionsPlotArea sessionsPlotArea(int imageWidth, int imageHeight) noexcept
{
    return {LeftLabels, TopMargin, std::max(0, imageWidth - LeftLabels - RightMargin),
            std::max(0, imageHeight - TopMargin - BottomLabels)};
}

void paintSessionLanes(QImage& image, std::span<const GNSSRecord> records,
                       std::span<const Session> sessions)
{
    Canvas canvas(image);
    canvas.fillRect(0, 0, canvas.width(), canvas.height(), White);
    const SessionsPlotArea a = sessionsPlotArea(canvas.width(), canvas.height());
    canvas.textOut(a.left, 4, QStringLiteral("Sessions from their start, by fix class"));
    double span = 0;
    for (const Session& s : sessions) {
        span = std::max(span, s.endTime - s.startTime);
    }
    // A log of one-epoch sessions still gets an axis.
    span = std::isfinite(span) && span > 0 ? span : 1;
    drawTimeAxis(canvas, a, span);
    drawLaneLegend(canvas, a);
    const std::size_t n = sessions.size();
    if (n == 0 || a.width <= 0 || a.height <= 0) {
        return;
    }
    canvas.textOut(4, a.top, QStringLiteral("1"));
    if (n > 1) {
        canvas.textOut(4, a.top + a.height - 14, QString::number(static_cast<qulonglong>(n)));
    }
    for (std::size_t k = 0; k < n; ++k) {
        // More sessions than pixel rows share rows; each keeps at least one.
        const int top = a.top + toInt32(std::floor(static_cast<double>(k) * a.height / n));
        int bottom = a.top + toInt32(std::floor(static_cast<double>(k + 1) * a.height / n));
        bottom = std::max(bottom, top + 1);
        // A pixel between rows where they have room for it.
        const int gap = bottom - top >= 4 ? 1 : 0;
        paintRow(canvas, rowCounts(records, sessions[k], span, a.width), a.left + 1, top,
                 bottom - gap);
    }
}

void paintTimeToFixCdf(QImage& image, std::span<const Session> sessions)
{
    Canvas canvas(image);
    canvas.fillRect(0, 0, canvas.width(), canvas.height(), White);
    const SessionsPlotArea a = sessionsPlotArea(canvas.width(), canvas.height());
    canvas.textOut(a.left, 4, QStringLiteral("Sessions fixed within a time from their start"));
    std::vector<double> times;
    for (const Session& s : sessions) {
        if (s.timeToFirstFixed && std::isfinite(*s.timeToFirstFixed)) {
            times.push_back(std::max(0.0, *s.timeToFirstFixed));
        }
    }
    std::sort(times.begin(), times.end());
    const double span = !times.empty() && times.back() > 0 ? times.back() : 1;
    drawTimeAxis(canvas, a, span);
    const auto rowOf = [&a](double share) {
        return a.top + a.height - toInt32(std::round(share * a.height));
    };
    int lastLabel = std::numeric_limits<int>::max();
    for (const int level : {50, 95, 100}) {
        const int y = rowOf(level / 100.0);
        canvas.setPen(Grey, 1, true);
        canvas.moveTo(a.left, y);
        canvas.lineTo(a.left + a.width, y);
        // In a low picture 100 % would run into 95 %, the share quoted
        // against requirements; the top line needs no label.
        if (lastLabel - y >= LevelLabelHeight) {
            canvas.textOut(4, y - 6, QString::asprintf("%d %%", level));
            lastLabel = y;
        }
    }
    if (sessions.empty() || a.width <= 0 || a.height <= 0) {
        return;
    }
    // A step curve: per column, the share fixed by the column's end.
    canvas.setPen(laneClassColour(LaneClass::RtkFixed), 2);
    std::size_t fixed = 0;
    canvas.moveTo(a.left, rowOf(0));
    for (int column = 0; column <= a.width; ++column) {
        const double until = span * column / a.width;
        while (fixed < times.size() && times[fixed] <= until) {
            ++fixed;
        }
        canvas.lineTo(a.left + column, rowOf(static_cast<double>(fixed) / sessions.size()));
    }
    // lineTo leaves out its end pixel: the curve's last one too.
    canvas.lineTo(a.left + a.width + 1, rowOf(static_cast<double>(fixed) / sessions.size()));
}

}  // namespace gnsslog
