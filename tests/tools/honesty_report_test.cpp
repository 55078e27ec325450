// The report's normalised-error and integrity blocks: there for a log with
// sigmas (and an alert limit), absent otherwise.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <nlohmann/json.hpp>

#include "tests/tools/ReportRun.h"
#include "tools/report/runs/Report.h"
#include "tools/samplegen/LogGenerator.h"

namespace gnsslog {
namespace {

namespace fs = std::filesystem;

std::string writeGenerated(const GeneratorOptions& o, const std::string& name)
{
    const fs::path path = fs::temp_directory_path() / ("gnsslog-honesty-" + name);
    std::ofstream(path, std::ios::binary) << generateLog(o, nullptr);
    return path.string();
}

TEST(HonestyReport, BlocksOnlyForLogsWithSigmasAndAnAlertLimit)
{
    GeneratorOptions o;
    o.format = LogFormat::Nmea;
    o.nmeaEpochSentences = true;
    o.sigmaHonesty = 2;
    o.targetBytes = 150000;
    const std::string withSigmas = writeGenerated(o, "gst.nmea");
    o.nmeaEpochSentences = false;
    o.sigmaHonesty = 0;
    const std::string without = writeGenerated(o, "gga.nmea");

    const ToolRun run = runReportTool(
        {"--json", "--format", "nmea", "--alert-limit", "0.05,0.1", "--protection", "3-sigma",
         withSigmas});
    ASSERT_EQ(run.status, ReportExit::Ok) << run.err;
    const auto doc = nlohmann::json::parse(run.out);
    ASSERT_TRUE(doc.contains("normalisedError"));
    EXPECT_EQ(doc["normalisedError"]["classes"]["rtkFixed"]["verdict"], "optimistic");
    const auto& h = doc["integrity"]["horizontal"];
    const auto& counts = h["counts"];
    EXPECT_EQ(counts["nominal"].get<long>() + counts["misleading"].get<long>() +
                  counts["hazardouslyMisleading"].get<long>() + counts["unavailable"].get<long>(),
              h["epochs"].get<long>());
    // Errors twice the sigma beyond 3 sigma: many misleading epochs.
    EXPECT_GT(counts["misleading"].get<long>(), 0);
    EXPECT_EQ(doc["integrity"]["protection"]["kSigma"], 3.0);

    const ToolRun plain = runReportTool({"--json", "--stats", "--format", "nmea", without});
    ASSERT_EQ(plain.status, ReportExit::Ok) << plain.err;
    EXPECT_EQ(plain.out.find("normalisedError"), std::string::npos);
    EXPECT_EQ(plain.out.find("integrity"), std::string::npos);
    const ToolRun text = runReportTool({"--stats", "--format", "nmea", without});
    EXPECT_EQ(text.out.find("Normalised"), std::string::npos);

    EXPECT_EQ(runReportTool({"--alert-limit", "1,x", without}).status, ReportExit::Usage);
    EXPECT_EQ(runReportTool({"--alert-limit", "1", "--protection", "sigma", without}).status,
              ReportExit::Usage);
    fs::remove(withSigmas);
    fs::remove(without);
}

}  // namespace
}  // namespace gnsslog
