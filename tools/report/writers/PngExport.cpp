#include "tools/report/writers/PngExport.h"

#include <clocale>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QString>

#include "metrics/ErrorCdf.h"
#include "metrics/NormalisedCdf.h"
#include "metrics/StanfordDiagram.h"
#include "metrics/ScatterCircles.h"
#include "plots/draw/CdfPainter.h"
#include "plots/draw/ErrorPlotPainter.h"
#include "plots/series/ErrorSeries.h"
#include "plots/draw/HistogramPainter.h"
#include "plots/draw/NormalisedCdfPainter.h"
#include "plots/draw/ScatterPainter.h"
#include "plots/draw/SessionsPainter.h"
#include "plots/draw/StanfordPainter.h"
#include "plots/draw/TrackPainter.h"
#include "plots/series/TrackSeries.h"

namespace gnsslog {

namespace {

// What setlocale reports for a category now.
std::string localeOf(int category)
{
    const char* name = std::setlocale(category, nullptr);
    return name != nullptr ? name : "C";
}

}  // namespace

// Text needs a QGuiApplication (fonts). A command-line tool has none, so
// one on the offscreen platform is made on first use and lives until exit.
// Qt sets the C library's locale from the environment when it makes one.
// Numbers the tool writes after the pictures must keep their decimal
// point, so LC_NUMERIC goes back to "C"; its messages (strerror's texts)
// stay in the language they had before the pictures.
bool ensureGuiApplication()
{
    if (QCoreApplication::instance() != nullptr) {
        return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    }
    static int argc = 3;
    static char name[] = "gnsslog-report";
    static char platformOption[] = "-platform";
    static char platform[] = "offscreen";
    static char* argv[] = {name, platformOption, platform, nullptr};
    static std::unique_ptr<QGuiApplication> application = [] {
        const std::string messages = localeOf(LC_MESSAGES);
        auto made = std::make_unique<QGuiApplication>(argc, argv);
        std::setlocale(LC_NUMERIC, "C");
        std::setlocale(LC_MESSAGES, messages.c_str());
        return made;
    }();
    return application != nullptr;
}

namespace {

QImage drawHistogram(const Histogram& histogram)
{
    QImage image(HistogramPictureWidth, HistogramPictureHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    paintHistogram(image, histogram);
    return image;
}

QImage drawErrorPlot(const GNSSLog& analysis, int width, int height)
{
    PlotViewState view;
    view.reset(analysis);
    const auto series = PointStore::build(width - 50, analysis, view.CentreTime, view.TimeSpan);
    QImage image(width, height, QImage::Format_RGB32);
    ErrorPlotView plotView;
    plotView.analysis = &analysis;
    paintErrorPlot(image, series.get(), plotView);
    return image;
}

QImage drawScatter(const GNSSLog& analysis)
{
    QImage image(ScatterPictureWidth, ScatterPictureHeight, QImage::Format_RGB32);
    const ScatterCircles circles = rtkFixedCircles(analysis);
    paintScatterPlot(image, analysis, circles, scatterAutoscaleRange(analysis, circles));
    return image;
}

QImage drawCdf(const GNSSLog& analysis)
{
    // One bin per picture column at most is all a picture can show.
    QImage image(CdfPictureWidth, CdfPictureHeight, QImage::Format_RGB32);
    paintErrorCdf(image, computeErrorCdf(analysis, static_cast<std::size_t>(CdfPictureWidth)));
    return image;
}

std::string sizeProblem(int plotWidth, int plotHeight)
{
    if (plotWidth < 1 || plotHeight < 1) {
        return "picture size must be positive, not " + std::to_string(plotWidth) + "x" +
               std::to_string(plotHeight);
    }
    return {};
}

}  // namespace

std::string drawReportPictures(const GNSSLog& analysis, int plotWidth, int plotHeight,
                               std::vector<ReportPicture>& pictures)
{
    if (std::string problem = sizeProblem(plotWidth, plotHeight); !problem.empty()) {
        return problem;
    }
    try {
        if (!ensureGuiApplication()) {
            return "pictures need a QGuiApplication, and another kind of application exists";
        }
        pictures.push_back({"x-histogram.png", "X error, RTK fixed", drawHistogram(analysis.histX)});
        pictures.push_back({"y-histogram.png", "Y error, RTK fixed", drawHistogram(analysis.histY)});
        pictures.push_back({"z-histogram.png", "Z error, RTK fixed", drawHistogram(analysis.histZ)});
        pictures.push_back(
            {"3d-rtk-fix-position.png", "3D RTK-FIX position", drawHistogram(analysis.hist3DFix)});
        pictures.push_back(
            {"3d-rtk-x-position.png", "3D RTK-X position", drawHistogram(analysis.hist3DRtkx)});
        pictures.push_back(
            {"xyz-plot.png", "Errors against time", drawErrorPlot(analysis, plotWidth, plotHeight)});
    } catch (const std::exception& exception) {
        return std::string("drawing the pictures failed: ") + exception.what();
    }
    return {};
}

std::string drawRequestedWindowPictures(const GNSSLog& analysis, std::vector<ReportPicture>& pictures)
{
    try {
        if (!ensureGuiApplication()) {
            return "pictures need a QGuiApplication, and another kind of application exists";
        }
        pictures.push_back({"scatter.png", "Horizontal errors, RTK-fixed CEP50, R95 and 2DRMS", drawScatter(analysis)});
        pictures.push_back({"cdf.png", "Cumulative share of the errors", drawCdf(analysis)});
    } catch (const std::exception& exception) {
        return std::string("drawing the pictures failed: ") + exception.what();
    }
    return {};
}

std::string drawSessionPictures(const GNSSLog& analysis, const SessionAnalysis& sessions,
                                std::vector<ReportPicture>& pictures)
{
    try {
        if (!ensureGuiApplication()) {
            return "pictures need a QGuiApplication, and another kind of application exists";
        }
        QImage lanes(SessionsPictureWidth, SessionsPictureHeight, QImage::Format_RGB32);
        paintSessionLanes(lanes, analysis.records, sessions.sessions);
        pictures.push_back({"sessions.png", "Sessions by fix class", std::move(lanes)});
        QImage cdf(SessionsPictureWidth, SessionsPictureHeight, QImage::Format_RGB32);
        paintTimeToFixCdf(cdf, sessions.sessions);
        pictures.push_back({"ttf-cdf.png", "Time to first fix, share of sessions", std::move(cdf)});
    } catch (const std::exception& exception) {
        return std::string("drawing the pictures failed: ") + exception.what();
    }
    return {};
}

std::string drawTrackPicture(const TrackSource& track, std::vector<ReportPicture>& pictures)
{
    try {
        if (!ensureGuiApplication()) {
            return "pictures need a QGuiApplication, and another kind of application exists";
        }
        const TrackSeries series = trackSeries(track.positions, &track.reference);
        QImage image(TrackPictureWidth, TrackPictureHeight, QImage::Format_RGB32);
        paintTrack(image, series, fitTrackView(series, TrackPictureWidth, TrackPictureHeight));
        pictures.push_back({"track.png", "Track against the reference", std::move(image)});
    } catch (const std::exception& exception) {
        return std::string("drawing the pictures failed: ") + exception.what();
    }
    return {};
}

std::string drawHonestyPictures(const GNSSLog& analysis, const IntegrityOptions* protection,
                                std::vector<ReportPicture>& pictures)
{
    if (analysis.accuracy.empty() || analysis.truthUndefined()) {
        return {};
    }
    try {
        if (!ensureGuiApplication()) {
            return "pictures need a QGuiApplication, and another kind of application exists";
        }
        const TruthPoint truth{analysis.truthX(), analysis.truthY(), analysis.truthZ()};
        const IntegrityOptions levels =
            protection != nullptr ? *protection : defaultPictureProtection(analysis.records);
        QImage stanford(StanfordPictureWidth, StanfordPictureHeight, QImage::Format_RGB32);
        paintStanfordPlot(stanford,
                          computeStanfordDiagrams(analysis.records, analysis.accuracy, truth, levels),
                          protectionLevelName(levels));
        pictures.push_back({"stanford.png", "Stanford plot: error against protection level",
                            std::move(stanford)});
        QImage normalised(CdfPictureWidth, CdfPictureHeight, QImage::Format_RGB32);
        paintNormalisedCdf(normalised, computeNormalisedCdf(analysis.records, analysis.accuracy,
                                                            truth, kNormalisedCdfBins));
        pictures.push_back({"normalised-cdf.png", "Normalised error CDF", std::move(normalised)});
    } catch (const std::exception& exception) {
        return std::string("drawing the pictures failed: ") + exception.what();
    }
    return {};
}

std::string exportPictures(const GNSSLog& analysis, const std::string& dir, int plotWidth,
                           int plotHeight, const SessionAnalysis& sessions, const TrackSource* track,
                           const IntegrityOptions* protection)
{
    if (std::string problem = sizeProblem(plotWidth, plotHeight); !problem.empty()) {
        return problem;
    }
    const std::filesystem::path folder(dir);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder, error)) {
        return "cannot create directory '" + dir + "'" +
               (error ? ": " + error.message() : std::string());
    }
    std::vector<ReportPicture> pictures;
    if (std::string problem = drawReportPictures(analysis, plotWidth, plotHeight, pictures);
        !problem.empty()) {
        return problem;
    }
    if (std::string problem = drawRequestedWindowPictures(analysis, pictures); !problem.empty()) {
        return problem;
    }
    if (std::string problem = drawSessionPictures(analysis, sessions, pictures); !problem.empty()) {
        return problem;
    }
    if (track != nullptr) {
        if (std::string problem = drawTrackPicture(*track, pictures); !problem.empty()) {
            return problem;
        }
    }
    if (std::string problem = drawHonestyPictures(analysis, protection, pictures);
        !problem.empty()) {
        return problem;
    }
    try {
        for (const ReportPicture& picture : pictures) {
            const std::filesystem::path path = folder / picture.file;
            if (!picture.image.save(QString::fromStdString(path.string()), "PNG")) {
                return "cannot write '" + path.string() + "' in directory '" + dir + "'";
            }
        }
    } catch (const std::exception& exception) {
        return std::string("writing pictures to '") + dir + "' failed: " + exception.what();
    }
    return {};
}

std::string encodePng(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) {
        return {};
    }
    return bytes.toStdString();
}

}  // namespace gnsslog
