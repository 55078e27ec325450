#include "tools/report/PngExport.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QString>

#include "plots/ErrorPlotPainter.h"
#include "plots/ErrorSeries.h"
#include "plots/HistogramPainter.h"

namespace gnsslog {

namespace {

// Text needs a QGuiApplication (fonts). A command-line tool has none, so
// one on the offscreen platform is made on first use and lives until exit.
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
    static std::unique_ptr<QGuiApplication> application(new QGuiApplication(argc, argv));
    return application != nullptr;
}

std::string writeImage(const QImage& image, const std::filesystem::path& path)
{
    if (!image.save(QString::fromStdString(path.string()), "PNG")) {
        return "cannot write '" + path.string() + "'";
    }
    return {};
}

std::string writeHistogram(const Histogram& histogram, const std::filesystem::path& path)
{
    QImage image(HistogramPictureWidth, HistogramPictureHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    paintHistogram(image, histogram);
    return writeImage(image, path);
}

}  // namespace

std::string exportPictures(const GNSSLog& analysis, const std::string& dir, int plotWidth,
                           int plotHeight)
{
    if (plotWidth < 1 || plotHeight < 1) {
        return "picture size must be positive, not " + std::to_string(plotWidth) + "x" +
               std::to_string(plotHeight);
    }
    const std::filesystem::path folder(dir);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder, error)) {
        return "cannot create directory '" + dir + "'" +
               (error ? ": " + error.message() : std::string());
    }
    try {
        if (!ensureGuiApplication()) {
            return "pictures need a QGuiApplication, and another kind of application exists";
        }
        struct Picture {
            const Histogram& histogram;
            const char* file;
        };
        const Picture histograms[] = {
            {analysis.histX, "x-histogram.png"},
            {analysis.histY, "y-histogram.png"},
            {analysis.histZ, "z-histogram.png"},
            {analysis.hist3DFix, "3d-rtk-fix-position.png"},
            {analysis.hist3DRtkx, "3d-rtk-x-position.png"},
        };
        for (const Picture& picture : histograms) {
            const std::string failure = writeHistogram(picture.histogram, folder / picture.file);
            if (!failure.empty()) {
                return failure + " in directory '" + dir + "'";
            }
        }
        PlotViewState view;
        view.reset(analysis);
        const auto series = PointStore::build(plotWidth - 50, analysis, view.CentreTime, view.TimeSpan);
        QImage plot(plotWidth, plotHeight, QImage::Format_RGB32);
        ErrorPlotView plotView;
        plotView.analysis = &analysis;
        paintErrorPlot(plot, series.get(), plotView);
        const std::string failure = writeImage(plot, folder / "xyz-plot.png");
        if (!failure.empty()) {
            return failure + " in directory '" + dir + "'";
        }
    } catch (const std::exception& exception) {
        return std::string("writing pictures to '") + dir + "' failed: " + exception.what();
    }
    return {};
}

}  // namespace gnsslog
