// What a program and a stored report say made them: --version, and the
// "generator" of the JSON and HTML reports, all the same version.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "common/BuildVersion.h"
#include "tests/tools/ReportRun.h"
#include "tools/report/writers/ComparisonHtml.h"
#include "tools/report/writers/HtmlReport.h"

namespace gnsslog {
namespace {

const std::string kSample = GNSSLOG_SOURCE_DIR "/samples/static-rtk.pvt1b";

TEST(BuildVersion, IsTheProjectVersionThenAtMostACommitInOneWord)
{
    const std::string version(buildVersion());
    ASSERT_EQ(version.rfind(GNSSLOG_PROJECT_VERSION, 0), 0u) << version;
    const std::string rest = version.substr(std::string(GNSSLOG_PROJECT_VERSION).size());
    if (!rest.empty()) {
        EXPECT_EQ(rest.rfind("+g", 0), 0u) << version;
        EXPECT_EQ(rest.find_first_not_of("0123456789abcdef", 2), std::string::npos) << version;
        EXPECT_GT(rest.size(), 2u);
    }
    EXPECT_EQ(versionLine("gnsslog-report"), "gnsslog-report " + version);
}

TEST(ReportVersion, PrintsNameAndVersionWithoutNeedingALog)
{
    const ToolRun run = runReportTool({"--version"});
    EXPECT_EQ(run.status, ReportExit::Ok);
    EXPECT_EQ(run.out, "gnsslog-report " + std::string(buildVersion()) + "\n");
    EXPECT_EQ(run.err, "");
    // Other options beside it do not matter, as with --help.
    EXPECT_EQ(runReportTool({"--json", "--version", kSample}).out, run.out);
}

TEST(ReportVersion, JsonDocumentsNameTheirGenerator)
{
    const nlohmann::json expected = {{"name", "gnsslog-report"}, {"version", std::string(buildVersion())}};
    const ToolRun single = runReportTool({"--json", kSample});
    ASSERT_EQ(single.status, ReportExit::Ok) << single.err;
    EXPECT_EQ(nlohmann::json::parse(single.out).at("generator"), expected);

    const ToolRun compared = runReportTool({"--json", kSample, kSample});
    ASSERT_EQ(compared.status, ReportExit::Ok) << compared.err;
    const nlohmann::json document = nlohmann::json::parse(compared.out);
    EXPECT_EQ(document.at("generator"), expected);
    // Each log's part is the single-log document, generator included.
    EXPECT_EQ(document.at("logs").at(1).at("generator"), expected);
}

TEST(ReportVersion, HtmlPagesNameTheirGeneratorInTheHead)
{
    const std::string meta = "<meta name=\"generator\" content=\"gnsslog-report " + std::string(buildVersion()) + "\"/>";
    EXPECT_EQ(generatorMeta(), meta + "\n");
    const std::string page = renderHtmlReport(HtmlReportContent{});
    const std::size_t at = page.find(meta);
    ASSERT_NE(at, std::string::npos);
    EXPECT_LT(at, page.find("</head>"));
    const std::string comparison = renderComparisonHtml("", TextTable{}, {});
    ASSERT_NE(comparison.find(meta), std::string::npos);
    EXPECT_LT(comparison.find(meta), comparison.find("</head>"));
}

}  // namespace
}  // namespace gnsslog
