#include "plots/draw/HistoryTrendPainter.h"

#include <algorithm>
#include <cmath>

#include "common/FormatNumber.h"
#include "common/Saturate.h"
#include "plots/draw/CanvasPainter.h"

namespace gnsslog {

namespace {

constexpr unsigned White = 0xFFFFFF;
constexpr unsigned Black = 0x000000;
constexpr unsigned GridGrey = 0xD8D8D8;
constexpr int LeftLabels = 60;   // pixels for the value labels
constexpr int RightMargin = 16;
constexpr int TopMargin = 26;    // the title
constexpr int PanelGap = 30;     // between the panels: the lower one's title
constexpr int BottomLabels = 44; // day labels and the legend
constexpr int DayLabelGap = 12;  // pixels at least between day labels

struct Series {
    std::optional<double> TrendDay::*value;
    unsigned colour;
    const char* name;
    int markHalf;  // the mark is 2 * markHalf + 1 pixels square
};

// Availability's marks are larger and drawn first: where it equals the
// fix share (every fixed epoch counted as available) both stay visible.
constexpr Series kMetres[] = {{&TrendDay::horizontal95, kTrendH95Colour, "H95 (m)", 2},
                              {&TrendDay::vertical95, kTrendV95Colour, "V95 (m)", 2}};
constexpr Series kShares[] = {{&TrendDay::availability, kTrendAvailabilityColour, "availability (%)", 4},
                              {&TrendDay::fixShare, kTrendFixColour, "RTK fixed (%)", 2}};

// The calendar axis: a day's column, days centred in equal steps.
struct DayAxis {
    std::int64_t first = 0;
    double step = 1;  // pixels per day
    int left = 0;

    int columnOf(std::int64_t day) const noexcept
    {
        return left + toInt32(std::floor((static_cast<double>(day - first) + 0.5) * step));
    }
};

void drawPanelFrame(Canvas& canvas, const TrendPanels& p, int top, int bottom, const QString& topLabel,
                    const QString& title)
{
    canvas.setPen(GridGrey);
    const int middle = (top + bottom) / 2;
    canvas.moveTo(p.left, middle);
    canvas.lineTo(p.left + p.width, middle);
    canvas.setPen(Black);
    canvas.moveTo(p.left, top);
    canvas.lineTo(p.left, bottom);
    canvas.lineTo(p.left + p.width, bottom);
    canvas.textOut(p.left - 6 - canvas.textWidth(topLabel), top - 6, topLabel);
    const QString zero = QStringLiteral("0");
    canvas.textOut(p.left - 6 - canvas.textWidth(zero), bottom - 6, zero);
    canvas.textOut(p.left, top - 20, title);
}

// Lines join consecutive days that both have the value; every value gets
// its mark.
void drawSeries(Canvas& canvas, std::span<const TrendDay> days, const DayAxis& axis, const Series& s,
                int top, int bottom, double scaleTop)
{
    const auto rowOf = [&](double value) {
        const double share = std::clamp(value / scaleTop, 0.0, 1.0);
        return bottom - toInt32(std::round(share * (bottom - top)));
    };
    canvas.setPen(s.colour);
    const TrendDay* previous = nullptr;
    for (const TrendDay& d : days) {
        const std::optional<double>& value = d.*s.value;
        if (!value || !std::isfinite(*value)) {
            previous = nullptr;
            continue;
        }
        const int x = axis.columnOf(d.day);
        const int y = rowOf(*value);
        if (previous != nullptr && d.day == previous->day + 1) {
            canvas.moveTo(axis.columnOf(previous->day), rowOf(*(previous->*s.value)));
            canvas.lineTo(x, y);
        }
        canvas.fillRect(x - s.markHalf, y - s.markHalf, x + s.markHalf + 1, y + s.markHalf + 1, s.colour);
        previous = &d;
    }
}

void drawDayLabels(Canvas& canvas, std::span<const TrendDay> days, const DayAxis& axis, int y)
{
    int freeFrom = 0;
    for (const TrendDay& d : days) {
        const QString text = QString::fromStdString(d.label);
        const int width = canvas.textWidth(text);
        const int x = axis.columnOf(d.day) - width / 2;
        // The last day's label always shows; others where they fit.
        const bool last = &d == &days.back();
        if (x >= freeFrom || last) {
            canvas.textOut(std::max(0, x), y, text);
            freeFrom = x + width + DayLabelGap;
        }
    }
}

void drawLegend(Canvas& canvas, int x, int y)
{
    for (const auto* group : {kMetres, kShares}) {
        for (int i = 0; i < 2; ++i) {
            const Series& s = group[i];
            canvas.fillRect(x, y + 3, x + 10, y + 11, s.colour);
            const QString text = QString::fromLatin1(s.name);
            canvas.textOut(x + 13, y, text);
            x += 13 + canvas.textWidth(text) + 14;
        }
    }
}

}  // namespace

TrendPanels trendPanels(int imageWidth, int imageHeight) noexcept
{
    TrendPanels p;
    p.left = LeftLabels;
    p.width = std::max(1, imageWidth - LeftLabels - RightMargin);
    const int plots = std::max(2, imageHeight - TopMargin - PanelGap - BottomLabels);
    p.metresTop = TopMargin;
    p.metresBottom = p.metresTop + plots / 2;
    p.percentTop = p.metresBottom + PanelGap;
    p.percentBottom = p.percentTop + plots / 2;
    return p;
}

double trendMetresTop(double largest) noexcept
{
    if (!(largest > 0) || !std::isfinite(largest)) {
        return 1;
    }
    double power = std::pow(10.0, std::floor(std::log10(largest)));
    for (;;) {
        for (const double step : {1.0, 2.0, 5.0}) {
            if (step * power >= largest) {
                return step * power;
            }
        }
        power *= 10;
    }
}

void paintHistoryTrend(QImage& image, std::span<const TrendDay> days)
{
    Canvas canvas(image);
    canvas.fillRect(0, 0, canvas.width(), canvas.height(), White);
    const TrendPanels p = trendPanels(canvas.width(), canvas.height());
    double largest = 0;
    for (const TrendDay& d : days) {
        for (const Series& s : kMetres) {
            if (const std::optional<double>& v = d.*s.value; v && std::isfinite(*v)) {
                largest = std::max(largest, *v);
            }
        }
    }
    const double metresTop = trendMetresTop(largest);
    drawPanelFrame(canvas, p, p.metresTop, p.metresBottom,
                   QString::fromStdString(formatGeneral(metresTop, 6)),
                   QStringLiteral("H95 and V95 per day (m)"));
    drawPanelFrame(canvas, p, p.percentTop, p.percentBottom, QStringLiteral("100"),
                   QStringLiteral("RTK-fixed share and availability per day (%)"));
    if (days.empty()) {
        canvas.textOut(p.left + 10, p.metresTop + 10, QStringLiteral("no days in the history"));
    } else {
        DayAxis axis;
        axis.first = days.front().day;
        axis.left = p.left;
        const double span = static_cast<double>(std::max<std::int64_t>(0, days.back().day - axis.first) + 1);
        axis.step = p.width / span;
        for (const Series& s : kMetres) {
            drawSeries(canvas, days, axis, s, p.metresTop, p.metresBottom, metresTop);
        }
        for (const Series& s : kShares) {
            drawSeries(canvas, days, axis, s, p.percentTop, p.percentBottom, 1.0);
        }
        drawDayLabels(canvas, days, axis, p.percentBottom + 4);
    }
    drawLegend(canvas, p.left, p.percentBottom + 24);
}

}  // namespace gnsslog
