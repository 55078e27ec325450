// gnsslog-report against a reference draws the track: track.png beside the
// other pictures and one more picture in the HTML page; without a
// reference neither changes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <QImage>

#include "tests/tools/ReportRun.h"
#include "tools/samplegen/LogGenerator.h"

namespace gnsslog {
namespace {

namespace fs = std::filesystem;

std::size_t countOf(const std::string& text, const std::string& what)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) {
        ++count;
    }
    return count;
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(TrackReport, TheTrackPictureComesOnlyWithAReference)
{
    const fs::path dir = fs::path(testing::TempDir()) / ("gnsslog-track-" + std::to_string(getpid()));
    fs::create_directories(dir);
    GeneratorOptions options;
    options.format = LogFormat::Pos;
    options.posWeekTime = true;
    options.targetBytes = 40000;
    options.epochIntervalMs = 200;
    options.trajectory.kind = TrajectoryKind::Figure8;
    options.trajectory.allFixed = true;
    const std::string rover = (dir / "rover.pos").string();
    const std::string reference = (dir / "reference.csv").string();
    writeLogAndReference(options, rover, reference);

    const ToolRun plain = runReportTool({"--format", "pos", "--png", (dir / "plain").string(), "--html",
                                         (dir / "plain.html").string(), rover});
    ASSERT_EQ(plain.status, ReportExit::Ok) << plain.err;
    const ToolRun against = runReportTool({"--format", "pos", "--reference", reference, "--png",
                                           (dir / "against").string(), "--html", (dir / "against.html").string(),
                                           rover});
    ASSERT_EQ(against.status, ReportExit::Ok) << against.err;

    EXPECT_FALSE(fs::exists(dir / "plain" / "track.png"));
    const std::size_t plainFiles = static_cast<std::size_t>(std::distance(fs::directory_iterator(dir / "plain"), {}));
    const std::size_t againstFiles =
        static_cast<std::size_t>(std::distance(fs::directory_iterator(dir / "against"), {}));
    EXPECT_EQ(againstFiles, plainFiles + 1);

    const QImage track((dir / "against" / "track.png").string().c_str());
    ASSERT_FALSE(track.isNull());
    int referencePixels = 0;
    int fixedPixels = 0;
    for (int y = 0; y < track.height(); ++y) {
        for (int x = 0; x < track.width(); ++x) {
            referencePixels += track.pixel(x, y) == 0xFF000000 ? 1 : 0;
            fixedPixels += track.pixel(x, y) == 0xFF008000 ? 1 : 0;
        }
    }
    // The figure 8 spans the picture: hundreds of dots and their line.
    EXPECT_GT(fixedPixels, 500);
    EXPECT_GT(referencePixels, 200);

    const std::string plainHtml = readFile(dir / "plain.html");
    const std::string againstHtml = readFile(dir / "against.html");
    const std::string picture = "data:image/png;base64,";
    EXPECT_EQ(countOf(againstHtml, picture), countOf(plainHtml, picture) + 1);
    const std::string caption = "<figcaption>Track against the reference</figcaption>";
    EXPECT_EQ(countOf(plainHtml, caption), 0u);
    EXPECT_EQ(countOf(againstHtml, caption), 1u);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace gnsslog
