// The HTML report parsed back: well-formed XML, six embedded PNG pictures,
// nothing loaded from outside, every outside text escaped.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QXmlStreamReader>

#include "log/Gpslog.h"
#include "tools/report/writers/HtmlReport.h"
#include "tools/report/writers/PngExport.h"

namespace gnsslog {
namespace {

const std::string kPngSignature("\x89PNG\r\n\x1a\n", 8);

GNSSLog smallAnalysis()
{
    GNSSLog log(TruthMode::Manual, 7000000, 2500000, 100);
    const std::uint8_t types[] = {FixType::StandAlone, FixType::RtkFixed, FixType::RtkFixed,
                                  FixType::RtkFloat,   FixType::RtkFixed, FixType::RtkX};
    for (int i = 0; i < 6; ++i) {
        GNSSRecord r;
        r.time = 1000 + i;
        r.fixType = types[i];
        r.validFlags = ValidFlag::Grid | ValidFlag::Height | ValidFlag::ErrorEstimate;
        r.localX = 7000000 + 0.01 * i;
        r.localY = 2500000 - 0.02 * i;
        r.height = 100 + 0.03 * i;
        r.errorEstimate = 0.05;
        r.valid = 1;
        log.records.push_back(r);
        if (r.fixType == FixType::RtkFixed) {
            log.histX.addSample(r.localX - 7000000);
            log.histZ.addSample(r.height - 100);
        }
    }
    log.startTime = 1000;
    log.endTime = 1005;
    return log;
}

struct Parsed {
    bool wellFormed = false;
    std::string error;
    std::vector<std::string> imageSources;
    std::map<std::string, int> elementCounts;
    std::string title;
    std::string preText;
};

Parsed parse(const std::string& html)
{
    Parsed p;
    QXmlStreamReader xml(QByteArray::fromStdString(html));
    std::vector<std::string> open;
    while (!xml.atEnd()) {
        xml.readNext();
        const std::string current = open.empty() ? std::string() : open.back();
        if (xml.isStartElement()) {
            open.push_back(xml.name().toString().toStdString());
            ++p.elementCounts[open.back()];
            if (open.back() == "img") {
                p.imageSources.push_back(xml.attributes().value("src").toString().toStdString());
            }
        } else if (xml.isEndElement()) {
            open.pop_back();
        } else if (xml.isCharacters()) {
            if (current == "title") {
                p.title += xml.text().toString().toStdString();
            } else if (current == "pre") {
                p.preText += xml.text().toString().toStdString();
            }
        }
    }
    p.wellFormed = !xml.hasError();
    p.error = xml.errorString().toStdString();
    return p;
}

class HtmlReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        stats = computeStatistics(log, kDefaultWithinThresholds, kDefaultWrongFixThreshold);
        content.title = "log<1>&\"quoted\".bin";
        content.summaryLines = {"Records: 6 </pre><script>alert(1)</script>",
                                std::string("bad bytes \xff\xfe and \x01 control"),
                                "ok line"};
        content.statistics = &stats;
    }
    GNSSLog log = smallAnalysis();
    Statistics stats;
    HtmlReportContent content;
};

TEST_F(HtmlReportTest, PageIsWellFormedWithSixDecodablePngPictures)
{
    ASSERT_EQ(renderReportPictures(log, content.pictures), "");
    ASSERT_EQ(content.pictures.size(), 6U);
    const Parsed page = parse(renderHtmlReport(content));
    ASSERT_TRUE(page.wellFormed) << page.error;
    ASSERT_EQ(page.imageSources.size(), 6U);
    const std::string prefix = "data:image/png;base64,";
    for (const std::string& src : page.imageSources) {
        ASSERT_EQ(src.compare(0, prefix.size(), prefix), 0) << src.substr(0, 40);
        const QByteArray::FromBase64Result decoded = QByteArray::fromBase64Encoding(
            QByteArray::fromStdString(src.substr(prefix.size())),
            QByteArray::AbortOnBase64DecodingErrors);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded.decoded.left(8).toStdString(), kPngSignature);
    }
    EXPECT_GE(page.elementCounts.at("table"), 6) << "four statistics tables, losses, spans";
}

TEST_F(HtmlReportTest, ScatterAndCdfFollowTheSixPictures)
{
    ASSERT_EQ(renderReportPictures(log, content.pictures), "");
    ASSERT_EQ(renderRequestedWindowPictures(log, content.pictures), "");
    ASSERT_EQ(content.pictures.size(), 8U);
    const Parsed page = parse(renderHtmlReport(content));
    ASSERT_TRUE(page.wellFormed) << page.error;
    ASSERT_EQ(page.imageSources.size(), 8U);
    const QImage scatter = QImage::fromData(QByteArray::fromStdString(content.pictures[6].png), "PNG");
    const QImage cdf = QImage::fromData(QByteArray::fromStdString(content.pictures[7].png), "PNG");
    EXPECT_EQ(scatter.size(), QSize(ScatterPictureWidth, ScatterPictureHeight));
    EXPECT_EQ(cdf.size(), QSize(CdfPictureWidth, CdfPictureHeight));
}

TEST_F(HtmlReportTest, OutsideTextIsEscapedAndRoundTrips)
{
    const std::string html = renderHtmlReport(content);
    const Parsed page = parse(html);
    ASSERT_TRUE(page.wellFormed) << page.error;
    EXPECT_EQ(page.title, "gnsslog report: log<1>&\"quoted\".bin");
    EXPECT_EQ(page.elementCounts.count("script"), 0U) << "a summary line must not inject markup";
    EXPECT_NE(page.preText.find("</pre><script>alert(1)</script>"), std::string::npos);
    EXPECT_NE(page.preText.find("bad bytes \xEF\xBF\xBD\xEF\xBF\xBD and \xEF\xBF\xBD control"),
              std::string::npos);
}

TEST_F(HtmlReportTest, LoadsNothingFromOutside)
{
    ASSERT_EQ(renderReportPictures(log, content.pictures), "");
    const std::string html = renderHtmlReport(content);
    const Parsed page = parse(html);
    ASSERT_TRUE(page.wellFormed) << page.error;
    EXPECT_EQ(page.elementCounts.count("link"), 0U);
    EXPECT_EQ(page.elementCounts.count("script"), 0U);
    EXPECT_EQ(html.find("@import"), std::string::npos);
    EXPECT_EQ(html.find("url("), std::string::npos);
    // The only address is the XHTML namespace name, which is never fetched.
    std::string rest = html;
    const std::string ns = "http://www.w3.org/1999/xhtml";
    rest.erase(rest.find(ns), ns.size());
    EXPECT_EQ(rest.find("http:"), std::string::npos);
    EXPECT_EQ(rest.find("https:"), std::string::npos);
}

TEST_F(HtmlReportTest, LossAndWrongFixTablesListEveryEvent)
{
    // Fixed 1001-1002, float at 1003 (loss, regained at 1004), RTK-X at
    // 1005 (loss, not regained).
    ASSERT_EQ(stats.continuity.losses.size(), 2U);
    const std::string html = renderHtmlReport(content);
    EXPECT_NE(html.find("<td>not regained</td>"), std::string::npos);
    EXPECT_NE(html.find("<td>1003.000</td>"), std::string::npos);
    EXPECT_NE(html.find("Wrong fixes (error &gt; 0.1000 m)"), std::string::npos);
}

TEST_F(HtmlReportTest, WritesTheFileAndNamesItOnFailure)
{
    const auto path = std::filesystem::temp_directory_path() / "gnsslog-html-test.html";
    ASSERT_EQ(writeHtmlReport(path.string(), content), "");
    std::ifstream in(path, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(written, renderHtmlReport(content));
    std::filesystem::remove(path);

    const std::string bad = "/nonexistent-dir-for-gnsslog/report.html";
    const std::string failure = writeHtmlReport(bad, content);
    EXPECT_NE(failure.find(bad), std::string::npos) << failure;
}

TEST(HtmlEscape, MarkupAndUtf8)
{
    struct Case {
        const char* legend;
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"markup characters", "<a href='x'>&\"</a>", "&lt;a href=&#39;x&#39;&gt;&amp;&quot;&lt;/a&gt;"},
        {"valid two-, three- and four-byte UTF-8 pass", "\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80",
         "\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80"},
        {"lone continuation byte", "a\x80z", "a\xEF\xBF\xBDz"},
        {"truncated sequence at the end", "a\xE2\x82", "a\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"overlong encoding of '/'", "\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"UTF-16 surrogate", "\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"NUL and other controls", std::string("a\0b\x1b", 4), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD"},
        {"tab and newline kept", "a\tb\nc", "a\tb\nc"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(escapeHtml(c.in), c.out) << c.legend;
    }
}

TEST(Base64, Rfc4648Vectors)
{
    // Test vectors of RFC 4648, section 10.
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(base64Encode(in), out) << in;
    }
    EXPECT_EQ(base64Encode(std::string("\xff\xfe\x00", 3)), "//4A");
}

}  // namespace
}  // namespace gnsslog
