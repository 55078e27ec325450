// gnsslog-report on a log that states its sigmas: the normalised-error and
// integrity blocks in the JSON, stanford.png and normalised-cdf.png beside
// the other pictures and in the HTML page; a log without sigmas gets none.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <QImage>
#include <nlohmann/json.hpp>

#include "tests/tools/ReportRun.h"
#include "tools/samplegen/LogGenerator.h"

namespace gnsslog {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeLog(const GeneratorOptions& options, const fs::path& path)
{
    std::ofstream out(path, std::ios::binary);
    out << generateLog(options, nullptr);
}

TEST(HonestyPictures, ALogWithSigmasGetsItsBlocksAndPictures)
{
    const fs::path dir =
        fs::path(testing::TempDir()) / ("gnsslog-honesty-" + std::to_string(getpid()));
    fs::create_directories(dir);
    GeneratorOptions withSigmas;
    withSigmas.format = LogFormat::Pos;
    withSigmas.targetBytes = 60000;
    withSigmas.sigmaHonesty = 2;  // optimistic
    writeLog(withSigmas, dir / "optimistic.pos");
    GeneratorOptions without;
    without.format = LogFormat::Navcom;
    without.targetBytes = 60000;
    writeLog(without, dir / "plain.pvt1b");

    const ToolRun json = runReportTool({"--format", "pos", "--stats", "--json", "--alert-limit",
                                        "0.5", (dir / "optimistic.pos").string()});
    ASSERT_EQ(json.status, ReportExit::Ok) << json.err;
    const nlohmann::json document = nlohmann::json::parse(json.out);
    ASSERT_TRUE(document.contains("normalisedError"));
    EXPECT_GT(document["normalisedError"]["epochs"].get<int>(), 100);
    ASSERT_TRUE(document.contains("integrity"));
    EXPECT_GT(document["integrity"]["horizontal"]["epochs"].get<int>(), 100);

    const ToolRun sigmas =
        runReportTool({"--format", "pos", "--alert-limit", "0.5", "--png", (dir / "sigmas").string(),
                       "--html", (dir / "sigmas.html").string(), (dir / "optimistic.pos").string()});
    ASSERT_EQ(sigmas.status, ReportExit::Ok) << sigmas.err;
    const ToolRun plain =
        runReportTool({"--format", "navcom", "--png", (dir / "plain").string(), "--html",
                       (dir / "plain.html").string(), (dir / "plain.pvt1b").string()});
    ASSERT_EQ(plain.status, ReportExit::Ok) << plain.err;

    EXPECT_FALSE(fs::exists(dir / "plain" / "stanford.png"));
    EXPECT_FALSE(fs::exists(dir / "plain" / "normalised-cdf.png"));
    EXPECT_EQ(readFile(dir / "plain.html").find("Stanford"), std::string::npos);

    const QImage stanford((dir / "sigmas" / "stanford.png").string().c_str());
    ASSERT_FALSE(stanford.isNull());
    // The bins are painted: pixels of the blue-to-red scale, not only the
    // black axes, the white ground and the alert limit's dark red lines.
    constexpr QRgb kAlertRed = 0xFFC00000;
    int coloured = 0;
    for (int y = 0; y < stanford.height() - 20; ++y) {
        for (int x = 0; x < stanford.width(); ++x) {
            const QRgb p = stanford.pixel(x, y);
            const bool grey = qRed(p) == qGreen(p) && qGreen(p) == qBlue(p);
            coloured += !grey && p != kAlertRed ? 1 : 0;
        }
    }
    EXPECT_GT(coloured, 200);
    EXPECT_FALSE(QImage((dir / "sigmas" / "normalised-cdf.png").string().c_str()).isNull());
    const std::string html = readFile(dir / "sigmas.html");
    EXPECT_NE(html.find("Stanford plot: error against protection level"), std::string::npos);
    EXPECT_NE(html.find("Normalised error CDF"), std::string::npos);
}

}  // namespace
}  // namespace gnsslog
