#include "plots/draw/StanfordPainter.h"

#include <algorithm>
#include <cmath>

#include "common/Saturate.h"
#include "plots/draw/CanvasPainter.h"

namespace gnsslog {

namespace {

constexpr unsigned White = 0xFFFFFF;
constexpr unsigned Black = 0x000000;
constexpr unsigned Grey = 0x808080;
constexpr unsigned AlertRed = 0xC00000;

constexpr int LeftLabels = 44;    // pixels left of each panel for the error labels
constexpr int TopMargin = 22;     // the panel's title
constexpr int RightMargin = 24;  // room for half the last level label
constexpr int BottomLabels = 52;  // the level labels, the axis name and the colour scale
constexpr int TextHeight = 13;

struct Decade {
    double metres;
    const char* text;
};
constexpr Decade kDecades[] = {{0.001, "1 mm"}, {0.01, "1 cm"}, {0.1, "10 cm"}, {1, "1 m"},
                               {10, "10 m"},    {100, "100 m"}, {1000, "1 km"}, {10000, "10 km"},
                               {100000, "100 km"}, {1000000, "1000 km"}};

void paintBins(Canvas& canvas, const StanfordPanel& p, const StanfordDiagram& d)
{
    const auto edge = [&](std::size_t bin) {
        return toInt32(std::round(static_cast<double>(bin) * p.side / static_cast<double>(d.bins)));
    };
    for (std::size_t e = 0; e < d.bins; ++e) {
        for (std::size_t l = 0; l < d.bins; ++l) {
            const std::int64_t n = d.count(l, e);
            if (n > 0) {
                canvas.fillRect(p.left + edge(l), p.bottom() - edge(e + 1), p.left + edge(l + 1),
                                p.bottom() - edge(e), stanfordBinColour(n, d.peak));
            }
        }
    }
}

void paintAxes(Canvas& canvas, const StanfordPanel& p, const StanfordDiagram& d)
{
    canvas.setPen(Black);
    canvas.moveTo(p.left, p.top);
    canvas.lineTo(p.left, p.bottom());
    canvas.lineTo(p.left + p.side, p.bottom());
    for (const Decade& decade : kDecades) {
        if (decade.metres > d.highest * 1.0001) {
            break;
        }
        const int x = p.columnOf(d, decade.metres);
        const int y = p.rowOf(d, decade.metres);
        canvas.setPen(Black);
        canvas.moveTo(x, p.bottom());
        canvas.lineTo(x, p.bottom() + 4);
        canvas.moveTo(p.left - 4, y);
        canvas.lineTo(p.left, y);
        const QString text = QString::fromLatin1(decade.text);
        canvas.textOut(x - canvas.textWidth(text) / 2, p.bottom() + 5, text);
        canvas.textOut(p.left - 6 - canvas.textWidth(text), y - TextHeight / 2, text);
    }
    // Where the error equals the level: above it the level did not bound
    // the error.
    canvas.setPen(Black);
    canvas.moveTo(p.left, p.bottom());
    canvas.lineTo(p.left + p.side, p.top);
    if (d.alertLimit > 0) {
        canvas.setPen(AlertRed, 1, true);
        const int x = p.columnOf(d, d.alertLimit);
        const int y = p.rowOf(d, d.alertLimit);
        canvas.moveTo(x, p.top);
        canvas.lineTo(x, p.bottom());
        canvas.moveTo(p.left, y);
        canvas.lineTo(p.left + p.side, y);
    }
}

void paintRegionCounts(Canvas& canvas, const StanfordPanel& p, const StanfordDiagram& d)
{
    const auto count = [&](const char* name, IntegrityState s) {
        return QString::fromLatin1(name) + QStringLiteral(" ") + QString::number(d.region(s));
    };
    const int right = p.left + p.side - 4;
    const auto atRight = [&](int y, const QString& text) {
        canvas.textOut(right - canvas.textWidth(text), y, text);
    };
    atRight(p.bottom() - TextHeight - 3, count("nominal", IntegrityState::Nominal));
    if (d.alertLimit <= 0) {
        canvas.textOut(p.left + 4, p.top + 3, count("misleading", IntegrityState::Misleading));
        return;
    }
    canvas.textOut(p.left + 4, p.top + 3, count("hazardous", IntegrityState::HazardouslyMisleading));
    const int belowLimit = std::max(p.top + 3 + TextHeight, p.rowOf(d, d.alertLimit) + 3);
    canvas.textOut(p.left + 4, belowLimit, count("misleading", IntegrityState::Misleading));
    atRight(p.top + 3, count("unavailable", IntegrityState::Unavailable));
}

void paintPanel(Canvas& canvas, const StanfordPanel& p, const StanfordDiagram& d,
                const QString& title, const QString& levelName)
{
    canvas.textOut(p.left, 4, title + QStringLiteral(" error against ") + levelName +
                                  QStringLiteral(" (") + QString::number(d.epochs) +
                                  QStringLiteral(" epochs)"));
    if (d.bins > 0) {
        paintBins(canvas, p, d);
    }
    paintAxes(canvas, p, d);
    paintRegionCounts(canvas, p, d);
    const QString& axis = levelName;
    canvas.textOut(p.left + (p.side - canvas.textWidth(axis)) / 2, p.bottom() + 5 + TextHeight,
                   axis);
}

}  // namespace

int StanfordPanel::columnOf(const StanfordDiagram& d, double metres) const noexcept
{
    return left + toInt32(std::round(d.axisPosition(metres) * side));
}

int StanfordPanel::rowOf(const StanfordDiagram& d, double metres) const noexcept
{
    return bottom() - toInt32(std::round(d.axisPosition(metres) * side));
}

StanfordPanel stanfordPanel(int imageWidth, int imageHeight, int panel) noexcept
{
    const int panelWidth = imageWidth / 2;
    StanfordPanel p;
    p.side = std::max(1, std::min(panelWidth - LeftLabels - RightMargin,
                                  imageHeight - TopMargin - BottomLabels));
    p.left = panel * panelWidth + LeftLabels;
    p.top = TopMargin;
    return p;
}

unsigned stanfordBinColour(std::int64_t count, std::int64_t peak) noexcept
{
    const double t = peak <= 1 ? 1.0
                               : std::clamp(std::log(static_cast<double>(count)) /
                                                std::log(static_cast<double>(peak)),
                                            0.0, 1.0);
    const auto channel = [](double v) {
        return static_cast<unsigned>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
    };
    double r = 0;
    double g = 0;
    double b = 0;
    if (t < 1.0 / 3) {
        g = 3 * t;
        b = 1;
    } else if (t < 2.0 / 3) {
        r = 3 * (t - 1.0 / 3);
        g = 1;
        b = 1 - r;
    } else {
        r = 1;
        g = 1 - 3 * (t - 2.0 / 3);
    }
    return channel(r) << 16 | channel(g) << 8 | channel(b);
}

QString protectionLevelName(const IntegrityOptions& options)
{
    if (options.source == ProtectionSource::Level) {
        return QStringLiteral("protection level");
    }
    return QString::number(options.k, 'g', 4) + QStringLiteral(" sigma");
}

void paintStanfordPlot(QImage& image, const StanfordDiagrams& diagrams, const QString& levelName)
{
    if (image.isNull()) {
        return;
    }
    Canvas canvas(image);
    canvas.fillRect(0, 0, canvas.width(), canvas.height(), White);
    paintPanel(canvas, stanfordPanel(canvas.width(), canvas.height(), 0), diagrams.horizontal,
               QStringLiteral("Horizontal"), levelName);
    paintPanel(canvas, stanfordPanel(canvas.width(), canvas.height(), 1), diagrams.vertical,
               QStringLiteral("Vertical"), levelName);
    // The colour scale: one epoch to the fullest bin.
    const std::int64_t peak = std::max(diagrams.horizontal.peak, diagrams.vertical.peak);
    const int top = canvas.height() - 14;
    int x = LeftLabels;
    canvas.textOut(x, top - 2, QStringLiteral("1"));
    x += 12;
    constexpr int kScaleWidth = 120;
    for (int i = 0; i < kScaleWidth; ++i) {
        const double share = static_cast<double>(i) / (kScaleWidth - 1);
        const auto n = static_cast<std::int64_t>(
            std::llround(std::exp(share * std::log(static_cast<double>(std::max<std::int64_t>(peak, 1))))));
        canvas.fillRect(x + i, top, x + i + 1, top + 10, stanfordBinColour(n, peak));
    }
    canvas.setPen(Grey);
    canvas.textOut(x + kScaleWidth + 4, top - 2,
                   QString::number(std::max<std::int64_t>(peak, 1)) +
                       QStringLiteral(" epochs per bin (logarithmic)"));
}

}  // namespace gnsslog
