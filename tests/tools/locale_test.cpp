// The report tool under a comma-decimal locale: its JSON, CSV, HTML and
// text are byte for byte those of the same run in the "C" locale, and
// making the pictures' QGuiApplication leaves LC_NUMERIC at "C".
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <QCoreApplication>

#include "tests/tools/ReportRun.h"
#include "tools/report/runs/Report.h"
#include "tools/samplegen/LogGenerator.h"

namespace gnsslog {
namespace {

constexpr const char* kCommaLocale = "fi_FI.UTF-8";

std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Empty when the texts are equal, else where they part (a whole report or
// picture is too long for a failure message).
std::string difference(const std::string& comma, const std::string& c)
{
    if (comma == c) {
        return {};
    }
    const auto at = std::mismatch(comma.begin(), comma.end(), c.begin(), c.end()).first;
    const auto offset = static_cast<std::size_t>(at - comma.begin());
    const std::size_t from = offset < 40 ? 0 : offset - 40;
    return "from byte " + std::to_string(offset) + ": comma locale \"" + comma.substr(from, 80) +
           "\", C locale \"" + c.substr(from, 80) + "\"";
}

std::string currentNumericLocale()
{
    const char* name = std::setlocale(LC_NUMERIC, nullptr);
    return name != nullptr ? name : "";
}

std::string printedHalf()
{
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 0.5);
    return text;
}

bool commaLocaleInstalled()
{
    const std::string saved = currentNumericLocale();
    const bool installed = std::setlocale(LC_NUMERIC, kCommaLocale) != nullptr;
    std::setlocale(LC_NUMERIC, saved.c_str());
    return installed;
}

// Puts LC_NUMERIC back as it was when the test ends.
class NumericLocaleScope {
public:
    NumericLocaleScope() : saved_(currentNumericLocale()) {}
    ~NumericLocaleScope() { std::setlocale(LC_NUMERIC, saved_.c_str()); }
    NumericLocaleScope(const NumericLocaleScope&) = delete;
    NumericLocaleScope& operator=(const NumericLocaleScope&) = delete;

private:
    std::string saved_;
};

class CommaLocaleReport : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = testing::TempDir() + "gnsslog-locale-test-" + std::to_string(getpid()) + "/";
        std::filesystem::create_directories(dir_);
        GeneratorOptions o;
        o.targetBytes = 150000;
        o.seed = 5;
        o.format = LogFormat::Navcom;
        writeLog(o, logPath());
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(dir_); }
    static std::string logPath() { return dir_ + "log.pvt1b"; }

    // Every output in one run, into files named after `tag`.
    static ToolRun runAll(const std::string& tag)
    {
        return runReportTool({"--json", "--stats", "--records-csv", dir_ + tag + ".csv", "--html",
                              dir_ + tag + ".html", "--png", dir_ + tag + "-png", logPath()});
    }

    static std::string dir_;
};
std::string CommaLocaleReport::dir_;

TEST_F(CommaLocaleReport, JsonCsvHtmlAndTextAreByteIdenticalToTheCLocale)
{
    if (!commaLocaleInstalled()) {
        GTEST_SKIP() << kCommaLocale << " is not installed (scripts/setup generates it)";
    }
    const NumericLocaleScope restore;
    ASSERT_NE(std::setlocale(LC_NUMERIC, "C"), nullptr);
    const ToolRun c = runAll("c");
    const ToolRun cText = runReportTool({"--stats", logPath()});
    ASSERT_EQ(c.status, ReportExit::Ok) << c.err;

    ASSERT_NE(std::setlocale(LC_NUMERIC, kCommaLocale), nullptr);
    ASSERT_EQ(printedHalf(), "0,5") << "printf follows the comma locale";
    const ToolRun comma = runAll("comma");
    const ToolRun commaText = runReportTool({"--stats", logPath()});
    // The first run made the application object, so nothing has reset the
    // locale: the second runs were in the comma locale from start to end.
    EXPECT_EQ(currentNumericLocale(), kCommaLocale);
    ASSERT_EQ(comma.status, ReportExit::Ok) << comma.err;

    EXPECT_EQ(difference(comma.out, c.out), "") << "JSON";
    EXPECT_EQ(difference(commaText.out, cText.out), "") << "summary and statistics text";
    const std::string csv = fileBytes(dir_ + "c.csv");
    const std::string html = fileBytes(dir_ + "c.html");
    EXPECT_EQ(difference(fileBytes(dir_ + "comma.csv"), csv), "") << "records CSV";
    EXPECT_EQ(difference(fileBytes(dir_ + "comma.html"), html), "") << "HTML";
    for (const char* picture : {"x-histogram.png", "xyz-plot.png"}) {
        EXPECT_TRUE(fileBytes(dir_ + "comma-png/" + picture) == fileBytes(dir_ + "c-png/" + picture))
            << picture;
    }

    // The C run itself has decimal points where the numbers are: every CSV
    // row has the header's sixteen fields, and the tables and texts have
    // dotted decimals.
    std::istringstream rows(csv);
    std::size_t rowCount = 0;
    for (std::string row; std::getline(rows, row); ++rowCount) {
        ASSERT_EQ(std::count(row.begin(), row.end(), ','), 15) << "row " << rowCount << ": " << row;
    }
    EXPECT_GT(rowCount, 100u);
    EXPECT_NE(html.find("<h2>Fix continuity</h2><ul>\n<li>Time to first fix: "), std::string::npos);
    EXPECT_NE(html.find(" s (epoch interval 1.000 s)"), std::string::npos);
    EXPECT_NE(cText.out.find("RTK fix "), std::string::npos);
    EXPECT_NE(cText.out.find("  availability "), std::string::npos);
}

// A process with no application object yet, its environment set to the
// comma locale as a user's would be: Qt takes the locale from there when
// the pictures make their QGuiApplication, and the tool must put
// LC_NUMERIC back to "C" for what it writes next.
void drawPicturesInACommaEnvironment(const std::string& pictureDir, const std::string& log)
{
    if (QCoreApplication::instance() != nullptr) {
        std::fprintf(stderr, "an application object exists already\n");
        std::exit(3);
    }
    setenv("LC_ALL", kCommaLocale, 1);
    const ToolRun run = runReportTool({"--png", pictureDir, log});
    const char* ctype = std::setlocale(LC_CTYPE, nullptr);
    if (run.status != ReportExit::Ok || ctype == nullptr || std::string(ctype) != kCommaLocale) {
        std::fprintf(stderr, "status %d, LC_CTYPE %s: Qt did not take the locale\n", run.status,
                     ctype != nullptr ? ctype : "none");
        std::exit(2);
    }
    if (currentNumericLocale() != "C" || printedHalf() != "0.5") {
        std::fprintf(stderr, "LC_NUMERIC is %s\n", currentNumericLocale().c_str());
        std::exit(1);
    }
    std::exit(0);
}

TEST_F(CommaLocaleReport, PictureExportLeavesTheNumericLocaleAtC)
{
    if (!commaLocaleInstalled()) {
        GTEST_SKIP() << kCommaLocale << " is not installed (scripts/setup generates it)";
    }
    // A fresh process, not a fork of this one, which may hold the
    // application object of an earlier test already.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(drawPicturesInACommaEnvironment(dir_ + "fresh-png", logPath()),
                testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace gnsslog
