#include "plots/CdfPainter.h"

#include <algorithm>
#include <cmath>

#include "common/Saturate.h"
#include "plots/CanvasPainter.h"

namespace gnsslog {

namespace {

constexpr unsigned White = 0xFFFFFF;
constexpr unsigned Black = 0x000000;
constexpr unsigned Grey = 0x808080;

constexpr int LeftLabels = 40;   // pixels left of each panel for the share labels
constexpr int TopMargin = 22;    // room for the panel title
constexpr int RightMargin = 10;
constexpr int BottomLabels = 40;  // error labels and the legend

QString metres(double value)
{
    // Always a decimal point, whatever the process's C locale.
    return QString::asprintf("%0.3f m", value);
}

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

void paintPanel(Canvas& canvas, const CdfPanel& p, const ErrorCdf& cdf,
                const std::array<CdfCurve, kCdfClassCount>& curves, const QString& title)
{
    canvas.textOut(p.left, 4, title);
    canvas.setPen(Black);
    canvas.moveTo(p.left, p.top);
    canvas.lineTo(p.left, p.bottom());
    canvas.lineTo(p.left + p.width, p.bottom());

    canvas.textOut(p.left - LeftLabels + 2, p.rowOf(1.0) - 6, QStringLiteral("100 %"));
    canvas.textOut(p.left - LeftLabels + 2, p.rowOf(0.0) - 6, QStringLiteral("0 %"));
    for (const int level : kCdfLevels) {
        const int y = p.rowOf(level / 100.0);
        canvas.setPen(Grey, 1, true);
        canvas.moveTo(p.left, y);
        canvas.lineTo(p.left + p.width, y);
        canvas.textOut(p.left - LeftLabels + 2, y - 6, QString::asprintf("%d %%", level));
    }
    canvas.textOut(p.left, p.bottom() + 3, QStringLiteral("0"));
    canvas.textOut(p.left + p.width - 50, p.bottom() + 3, metres(cdf.range()));

    for (const CdfClass c : kDrawOrder) {
        const CdfCurve& curve = curves[static_cast<std::size_t>(c)];
        if (curve.count == 0 || cdf.bins == 0 || p.width <= 0) {
            continue;
        }
        const unsigned colour = cdfClassColour(c);
        canvas.setPen(colour, 2);
        canvas.moveTo(p.left, p.bottom());
        for (int column = 1; column <= p.width; ++column) {
            // The bin holding this column's error, at the bin's upper edge.
            const std::size_t bin = static_cast<std::size_t>(
                std::min<double>(static_cast<double>(cdf.bins) - 1,
                                 std::ceil(static_cast<double>(column) * static_cast<double>(cdf.bins) / p.width) - 1));
            canvas.lineTo(p.left + column, p.rowOf(curve.share(bin)));
        }
        // Where the curve crosses each level: a short mark on the axis.
        for (const double error : curve.levelErrors) {
            const double x = p.left + error / cdf.range() * p.width;
            if (std::isfinite(x) && x <= p.left + p.width) {
                const int column = toInt32(std::round(x));
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

    int left = LeftLabels;
    const int top = canvas.height() - 18;
    for (const CdfClass c : {CdfClass::RtkFixed, CdfClass::RtkFloat, CdfClass::All}) {
        canvas.fillRect(left, top + 4, left + 10, top + 12, cdfClassColour(c));
        canvas.textOut(left + 14, top, QString::fromLatin1(className(c)));
        left += 100;
    }
}

}  // namespace gnsslog
