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
    paintCdfFrame(canvas, p, title);
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
    for (const CdfClass c : kDrawOrder) {
        const CdfCurve& curve = curves[static_cast<std::size_t>(c)];
        if (curve.count > 0) {
            paintCdfCurve(canvas, p, curve, cdf.bins, cdfClassColour(c));
        }
    }
}

}  // namespace

void paintNormalisedCdf(QImage& image, const NormalisedCdf& cdf)
{
    if (image.isNull()) {
        return;
    }
    Canvas canvas(image);
    canvas.fillRect(0, 0, canvas.width(), canvas.height(), White);
    const CdfPanel horizontal = cdfPanel(canvas.width(), canvas.height(), 0);
    const CdfPanel vertical = cdfPanel(canvas.width(), canvas.height(), 1);
    paintFrame(canvas, horizontal, QStringLiteral("Horizontal error / sigma"));
    paintFrame(canvas, vertical, QStringLiteral("Vertical error / sigma"));
    paintExpectation(canvas, horizontal, gaussianRadialShare);
    paintExpectation(canvas, vertical, gaussianAxisShare);
    paintCurves(canvas, horizontal, cdf, cdf.horizontal);
    paintCurves(canvas, vertical, cdf, cdf.vertical);
    paintCdfLegend(canvas, {{Grey, "Gaussian, as stated"}});
}

}  // namespace gnsslog
