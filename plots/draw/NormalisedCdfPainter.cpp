#include "plots/draw/NormalisedCdfPainter.h"

#include <algorithm>
#include <cmath>

#include "common/Saturate.h"
#include "plots/draw/CanvasPainter.h"

namespace gnsslog {

namespace {

constexpr unsigned White = 0xFFFFFF;
constexpr unsigned Black = 0x000000;
constexpr unsigned Grey = 0x808080;

constexpr int LeftLabels = 40;
constexpr int TopMargin = 22;
constexpr int RightMargin = 10;
constexpr int BottomLabels = 40;

constexpr std::array<CdfClass, kCdfClassCount> kDrawOrder{CdfClass::All, CdfClass::RtkFloat,
                                                          CdfClass::RtkFixed};

using Expectation = double (*)(double) noexcept;

int columnOf(const CdfPanel& p, double sigmas) noexcept
{
    return p.left + toInt32(std::round(std::clamp(sigmas / kNormalisedCdfRange, 0.0, 1.0) *
                                       p.width));
}

void paintFrame(Canvas& canvas, const CdfPanel& p, const QString& title)
{
    canvas.textOut(p.left, 4, title);
    canvas.setPen(Black);
    canvas.moveTo(p.left, p.top);
    canvas.lineTo(p.left, p.bottom());
    canvas.lineTo(p.left + p.width, p.bottom());
    constexpr int kLabelHeight = 12;  // pixels a share label needs clear of the next
    if (p.rowOf(kCdfLevels.back() / 100.0) - p.rowOf(1.0) >= kLabelHeight) {
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
    for (int k = 0; k <= static_cast<int>(kNormalisedCdfRange); ++k) {
        const int x = columnOf(p, k);
        canvas.setPen(Black);
        canvas.moveTo(x, p.bottom());
        canvas.lineTo(x, p.bottom() + 4);
        canvas.textOut(x - 8, p.bottom() + 5, QString::number(k) + QString::fromUtf8("\u03c3"));
    }
}

void paintExpectation(Canvas& canvas, const CdfPanel& p, Expectation expected)
{
    canvas.setPen(Grey, 2, true);
    canvas.moveTo(p.left, p.rowOf(0));
    for (int column = 1; column <= p.width; ++column) {
        const double k = kNormalisedCdfRange * column / p.width;
        canvas.lineTo(p.left + column, p.rowOf(expected(k)));
    }
}

void paintCurves(Canvas& canvas, const CdfPanel& p, const NormalisedCdf& cdf,
                 const std::array<CdfCurve, kCdfClassCount>& curves)
{
    if (cdf.bins < 2 || p.width <= 0) {
        return;
    }
    const double lastBin = static_cast<double>(cdf.bins - 1);
    for (const CdfClass c : kDrawOrder) {
        const CdfCurve& curve = curves[static_cast<std::size_t>(c)];
        if (curve.count == 0) {
            continue;
        }
        canvas.setPen(cdfClassColour(c), 2);
        canvas.moveTo(p.left, p.rowOf(curve.share(0)));
        for (int column = 1; column <= p.width; ++column) {
            const double bin = std::min(lastBin, std::ceil(column * lastBin / p.width));
            canvas.lineTo(p.left + column, p.rowOf(curve.share(static_cast<std::size_t>(bin))));
        }
    }
}

void paintLegend(Canvas& canvas)
{
    int left = LeftLabels;
    const int top = canvas.height() - 18;
    struct Entry {
        unsigned colour;
        const char* name;
    };
    const Entry entries[] = {{cdfClassColour(CdfClass::RtkFixed), "RTK fixed"},
                             {cdfClassColour(CdfClass::RtkFloat), "RTK float"},
                             {cdfClassColour(CdfClass::All), "all"},
                             {Grey, "Gaussian, as stated"}};
    for (const Entry& e : entries) {
        canvas.fillRect(left, top + 4, left + 10, top + 12, e.colour);
        canvas.textOut(left + 14, top, QString::fromLatin1(e.name));
        left += 100;
    }
}

}  // namespace

CdfPanel normalisedCdfPanel(int imageWidth, int imageHeight, int panel) noexcept
{
    const int panelWidth = imageWidth / 2;
    CdfPanel p;
    p.left = panel * panelWidth + LeftLabels;
    p.top = TopMargin;
    p.width = std::max(1, panelWidth - LeftLabels - RightMargin);
    p.height = std::max(1, imageHeight - TopMargin - BottomLabels);
    return p;
}

void paintNormalisedCdf(QImage& image, const NormalisedCdf& cdf)
{
    if (image.isNull()) {
        return;
    }
    Canvas canvas(image);
    canvas.fillRect(0, 0, canvas.width(), canvas.height(), White);
    const CdfPanel horizontal = normalisedCdfPanel(canvas.width(), canvas.height(), 0);
    const CdfPanel vertical = normalisedCdfPanel(canvas.width(), canvas.height(), 1);
    paintFrame(canvas, horizontal, QStringLiteral("Horizontal error / sigma"));
    paintFrame(canvas, vertical, QStringLiteral("Vertical error / sigma"));
    paintExpectation(canvas, horizontal, gaussianRadialShare);
    paintExpectation(canvas, vertical, gaussianAxisShare);
    paintCurves(canvas, horizontal, cdf, cdf.horizontal);
    paintCurves(canvas, vertical, cdf, cdf.vertical);
    paintLegend(canvas);
}

}  // namespace gnsslog
