// gnsslog-report --png: the six pictures of the plot windows.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <QImage>

#include "tools/report/writers/PngExport.h"
#include "tools/report/runs/Report.h"
#include "tools/samplegen/LogGenerator.h"
#include "tests/tools/ReportRun.h"

namespace gnsslog {
namespace {

ToolRun runTool(std::vector<std::string> args)
{
    return runReportTool(std::move(args));
}

class PngExportTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = testing::TempDir() + "gnsslog-png-test-" + std::to_string(getpid()) + "/";
        std::filesystem::create_directories(dir_);
        GeneratorOptions o;
        o.targetBytes = 100000;
        o.seed = 5;
        o.format = LogFormat::Navcom;
        writeLog(o, dir_ + "log.pvt1b");
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(dir_); }
    static std::string dir_;
};
std::string PngExportTest::dir_;

const char* const pictures[] = {"x-histogram.png", "y-histogram.png", "z-histogram.png",
                                "3d-rtk-fix-position.png", "3d-rtk-x-position.png", "xyz-plot.png"};

TEST_F(PngExportTest, WritesTheSixPicturesAtTheWindowSizes)
{
    const std::string out = dir_ + "pictures/nested";
    const ToolRun run = runTool({"--png", out, dir_ + "log.pvt1b"});
    ASSERT_EQ(run.status, ReportExit::Ok) << run.err;
    for (const char* name : pictures) {
        const QImage image(QString::fromStdString(out + "/" + name));
        ASSERT_FALSE(image.isNull()) << name;
        const bool plot = std::string(name) == "xyz-plot.png";
        EXPECT_EQ(image.size(), plot ? QSize(ErrorPlotPictureWidth, ErrorPlotPictureHeight)
                                     : QSize(HistogramPictureWidth, HistogramPictureHeight))
            << name;
        EXPECT_EQ(image.pixel(0, 0), 0xFFFFFFFFu) << name << ": white background";
    }
    // The X histogram of a generated log has bars: green in the bar area.
    const QImage x(QString::fromStdString(out + "/x-histogram.png"));
    bool green = false;
    for (int px = 0; px < x.width() - 50 && !green; ++px) {
        green = x.pixel(px, x.height() - 25) == 0xFF008000u;
    }
    EXPECT_TRUE(green);
}

TEST_F(PngExportTest, AddsTheScatterPlotAndTheCdfAtTheirWindowSizes)
{
    const std::string out = dir_ + "requested";
    const ToolRun run = runTool({"--png", out, "--png-size", "800x300", dir_ + "log.pvt1b"});
    ASSERT_EQ(run.status, ReportExit::Ok) << run.err;
    const QImage scatter(QString::fromStdString(out + "/scatter.png"));
    const QImage cdf(QString::fromStdString(out + "/cdf.png"));
    ASSERT_EQ(scatter.size(), QSize(ScatterPictureWidth, ScatterPictureHeight)) << "not the --png-size";
    ASSERT_EQ(cdf.size(), QSize(CdfPictureWidth, CdfPictureHeight));
    // A generated log has RTK-fixed epochs: green dots in the scatter
    // square, a green curve in the CDF.
    const auto countOf = [](const QImage& image, QRgb colour) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                n += image.pixel(x, y) == colour ? 1 : 0;
            }
        }
        return n;
    };
    EXPECT_GT(countOf(scatter, 0xFF008000u), 9) << "more than one dot";
    EXPECT_GT(countOf(cdf, 0xFF008000u), 100);
}

TEST_F(PngExportTest, AddsTheSessionsLanesAndTimeToFixCdf)
{
    GeneratorOptions o;
    o.format = LogFormat::Nmea;
    o.resets = 8;
    o.seed = 3;
    writeLog(o, dir_ + "resets.nmea");
    const std::string out = dir_ + "sessions";
    const ToolRun run = runTool({"--nmea", "--png", out, dir_ + "resets.nmea"});
    ASSERT_EQ(run.status, ReportExit::Ok) << run.err;
    const QImage lanes(QString::fromStdString(out + "/sessions.png"));
    const QImage cdf(QString::fromStdString(out + "/ttf-cdf.png"));
    ASSERT_EQ(lanes.size(), QSize(SessionsPictureWidth, SessionsPictureHeight));
    ASSERT_EQ(cdf.size(), QSize(SessionsPictureWidth, SessionsPictureHeight));
    // Eight sessions that each end fixed: eight rows with green in them,
    // and a green curve.
    int rowsWithGreen = 0;
    bool inRow = false;
    for (int y = 0; y < lanes.height(); ++y) {
        bool green = false;
        for (int x = 0; x < lanes.width() && !green; ++x) {
            green = lanes.pixel(x, y) == 0xFF008000u;
        }
        rowsWithGreen += green && !inRow ? 1 : 0;
        inRow = green;
    }
    EXPECT_EQ(rowsWithGreen, 8 + 1) << "eight lanes and the legend's swatch";
    int curve = 0;
    for (int y = 0; y < cdf.height(); ++y) {
        for (int x = 0; x < cdf.width(); ++x) {
            curve += cdf.pixel(x, y) == 0xFF008000u ? 1 : 0;
        }
    }
    EXPECT_GT(curve, 100);
}

TEST_F(PngExportTest, PngSizeSetsTheErrorPlotPicture)
{
    const std::string out = dir_ + "sized";
    const ToolRun run = runTool({"--png", out, "--png-size", "800x300", dir_ + "log.pvt1b"});
    ASSERT_EQ(run.status, ReportExit::Ok) << run.err;
    EXPECT_EQ(QImage(QString::fromStdString(out + "/xyz-plot.png")).size(), QSize(800, 300));
    EXPECT_EQ(QImage(QString::fromStdString(out + "/z-histogram.png")).size(),
              QSize(HistogramPictureWidth, HistogramPictureHeight));
    for (const char* bad : {"800", "x300", "800x", "10x10", "800x300x2", "-5x300"}) {
        const ToolRun wrong = runTool({"--png", out, "--png-size", bad, dir_ + "log.pvt1b"});
        EXPECT_EQ(wrong.status, ReportExit::Usage) << bad;
        EXPECT_NE(wrong.err.find("--png-size"), std::string::npos) << wrong.err;
    }
}

TEST_F(PngExportTest, UnwritableDirectoryIsExitTwoNamingIt)
{
    // A directory below a plain file cannot be made, even by root.
    const std::string file = dir_ + "plain-file";
    std::ofstream(file) << "x";
    const std::string out = file + "/pictures";
    const ToolRun run = runTool({"--png", out, dir_ + "log.pvt1b"});
    EXPECT_EQ(run.status, ReportExit::Usage);
    EXPECT_NE(run.err.find(out), std::string::npos) << run.err;
}

}  // namespace
}  // namespace gnsslog
