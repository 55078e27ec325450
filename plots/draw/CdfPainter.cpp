#include "plots/draw/CdfPainter.h"

#include <algorithm>
#include <cmath>

#include "common/Saturate.h"
#include "plots/draw/CanvasPainter.h"

namespace gnsslog {

namespace {

constexpr unsigned White = 0xFFFFFF;
constexpr unsigned Black = 0x000000;
constexpr unsigned Grey = 0x808080;

constexpr int LeftLabels = 40;   // pixels left of each panel for the share labels
constexpr int TopMargin = 22;    // room for the panel title
constexpr int RightMargin = 10;
constexpr int BottomLabels = 40;  // error labels and the legend
constexpr int LabelHeight = 12;   // pixels a share label needs clear of the next

constexpr std::array<CdfClass, kCdfClassCount> kDrawOrder{CdfClass::All, CdfClass::RtkFloat, CdfClass::RtkFixed};

const char* className(CdfClass c) noexcept
{
    switch (c) {
    case CdfClass::RtkFixed:
        return "RTK fixed";
    case CdfClass::RtkFloat:
        return "RTK float";
    case CdfClass::All:
        return "all";
    }
    return "";
}

}  // namespace

void paintCdfFrame(Canvas& canvas, const CdfPanel& p, const QString& title)
{
    canvas.textOut(p.left, 4, title);
    canvas.setPen(Black);
    canvas.moveTo(p.left, p.top);
    canvas.lineTo(p.left, p.bottom());
    canvas.lineTo(p.left + p.width, p.bottom());

    if (p.rowOf(kCdfLevels.back() / 100.0) - p.rowOf(1.0) >= LabelHeight) {
        canvas.textOut(p.left - LeftLabels + 2, p.rowOf(1.0) - 6, QStringLiteral("100 %"));
    }
    canvas.textOut(p.left - LeftLabels + 2, p.rowOf(0.0) - 6, QStringLiteral("0 %"));
    for (const int level : kCdfLevels) {
        const int y = p.rowOf(level / 100.0);
        canvas.setPen(Grey, 1, true);
        canvas.moveTo(p.left, y);
        canvas.lineTo(p.left + p.width, y);
        canvas.textOut(p.left - LeftLabels + 2, y - 6, QString::asprintf("%d %%", level));
    }
}

void paintCdfCurve(Canvas& canvas, const CdfPanel& p, const CdfCurve& curve, std::size_t bins,
                   unsigned colour)
{
    if (bins < 2 || p.width <= 0) {
        return;
    }
    const double lastBin = static_cast<double>(bins - 1);
    canvas.setPen(colour, 2);
    canvas.moveTo(p.left, p.rowOf(curve.share(0)));
    for (int column = 1; column <= p.width; ++column) {
        // The bin whose upper edge is the first at or past this column.
        const double bin = std::min(lastBin, std::ceil(column * lastBin / p.width));
        canvas.lineTo(p.left + column, p.rowOf(curve.share(static_cast<std::size_t>(bin))));
    }
}

void paintCdfLegend(Canvas& canvas, std::initializer_list<CdfLegendEntry> extra)
{
    int left = LeftLabels;
    const int top = canvas.height() - 18;
    const auto entry = [&](unsigned colour, const QString& name) {
        canvas.fillRect(left, top + 4, left + 10, top + 12, colour);
        canvas.textOut(left + 14, top, name);
        left += 100;
    };
    for (const CdfClass c : {CdfClass::RtkFixed, CdfClass::RtkFloat, CdfClass::All}) {
        entry(cdfClassColour(c), QString::fromLatin1(className(c)));
    }
    for (const CdfLegendEntry& e : extra) {
        entry(e.colour, QString::fromLatin1(e.name));
    }
}

namespace {

void paintPanel(Canvas& canvas, const CdfPanel& p, const ErrorCdf& cdf,
                const std::array<CdfCurve, kCdfClassCount>& curves, const QString& title)
{
    paintCdfFrame(canvas, p, title);
    // Decades on the logarithmic error axis.
    struct Decade {
        double metres;
        const char* text;
    };
    static constexpr Decade decades[] = {{0.001, "1 mm"}, {0.01, "1 cm"}, {0.1, "10 cm"},
                                         {1, "1 m"},      {10, "10 m"},   {100, "100 m"},
                                         {1000, "1 km"},  {10000, "10 km"}};
    for (const Decade& decade : decades) {
        const double position = cdf.axisPosition(decade.metres);
        if (!(position >= 0 && position <= 1)) {
            continue;
        }
        const int x = p.left + toInt32(std::round(position * p.width));
        canvas.setPen(Black);
        canvas.moveTo(x, p.bottom());
        canvas.lineTo(x, p.bottom() + 4);
        canvas.textOut(x - 8, p.bottom() + 5, QString::fromLatin1(decade.text));
    }

    if (cdf.bins < 2 || p.width <= 0) {
        return;
    }
    for (const CdfClass c : kDrawOrder) {
        const CdfCurve& curve = curves[static_cast<std::size_t>(c)];
        if (curve.count == 0) {
            continue;
        }
        const unsigned colour = cdfClassColour(c);
        paintCdfCurve(canvas, p, curve, cdf.bins, colour);
        // Where the curve crosses each level: a short mark on the axis.
        for (const double error : curve.levelErrors) {
            const double position = std::max(0.0, cdf.axisPosition(error));
            if (position <= 1) {
                const int column = p.left + toInt32(std::round(position * p.width));
                canvas.setPen(colour, 2);
                canvas.moveTo(column, p.bottom() - 4);
                canvas.lineTo(column, p.bottom() + 1);
            }
        }
    }
}

}  // namespace

unsigned cdfClassColour(CdfClass c) noexcept
{
    switch (c) {
    case CdfClass::RtkFixed:
        return 0x008000;  // green, as in the fix-type strip
    case CdfClass::RtkFloat:
        return 0x0000FF;  // blue, as in the fix-type strip
    case CdfClass::All:
        return 0x000000;  // black
    }
    return 0x000000;
}

int CdfPanel::rowOf(double share) const noexcept
{
    return bottom() - toInt32(std::round(std::clamp(share, 0.0, 1.0) * height));
}

CdfPanel cdfPanel(int imageWidth, int imageHeight, int panel) noexcept
{
    const int panelWidth = imageWidth / 2;
    CdfPanel p;
    p.left = panel * panelWidth + LeftLabels;
    p.top = TopMargin;
    p.width = std::max(1, panelWidth - LeftLabels - RightMargin);
    p.height = std::max(1, imageHeight - TopMargin - BottomLabels);
    return p;
}

void paintErrorCdf(QImage& image, const ErrorCdf& cdf)
{
    if (image.isNull()) {
        return;
    }
    Canvas canvas(image);
    canvas.fillRect(0, 0, canvas.width(), canvas.height(), White);
    paintPanel(canvas, cdfPanel(canvas.width(), canvas.height(), 0), cdf, cdf.horizontal,
               QStringLiteral("Horizontal error"));
    paintPanel(canvas, cdfPanel(canvas.width(), canvas.height(), 1), cdf, cdf.vertical,
               QStringLiteral("Vertical error"));
    paintCdfLegend(canvas, {});
}

}  // namespace gnsslog
