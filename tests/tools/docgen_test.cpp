// Manual pages and the bash completion written from registered options.
#include <gtest/gtest.h>

#include <CLI/CLI.hpp>

#include <regex>
#include <set>

#include "log/formats/Formats.h"
#include "log/formats/InputFormat.h"
#include "tools/docgen/BashCompletion.h"
#include "tools/docgen/ManPage.h"
#include "tools/report/runs/Report.h"
#include "tools/report/options/ReportOptions.h"

namespace gnsslog {
namespace {

TEST(RoffText, KeepsTextFromReadingAsRoff)
{
    struct Row {
        const char* legend;
        const char* text;
        const char* roff;
    };
    const Row rows[] = {
        {"plain", "log format", "log format"},
        {"leading dot is not a request", ".pos files", "\\&.pos files"},
        {"leading quote is not a request", "'x' is", "\\&'x' is"},
        {"dot after a line end", "a\n.b", "a\n\\&.b"},
        {"dot inside a line stays", "a.b ... c", "a.b ... c"},
        {"backslash", "a\\b", "a\\eb"},
        {"option names are minus signs", "--no-kkj and -h", "\\-\\-no\\-kkj and \\-h"},
        {"option after a bracket", "[--json]", "[\\-\\-json]"},
        {"hyphen inside a word stays", "fix-continuity, wrong-fix", "fix-continuity, wrong-fix"},
        {"a word after an option", "--frame enu-like", "\\-\\-frame enu-like"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(roffText(row.text), row.roff) << row.legend;
    }
}

// Every long option a text names, "--name" at the start of a word.
std::set<std::string> longOptionsIn(const std::string& text)
{
    std::set<std::string> names;
    const std::regex option("(^|[\\s,\\[])--([a-z][a-z0-9-]*)");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), option); it != std::sregex_iterator(); ++it) {
        names.insert((*it)[2]);
    }
    return names;
}

// The page as man shows it, as far as option names go: fonts dropped and
// minus signs as '-'.
std::string rendered(const std::string& page)
{
    return std::regex_replace(std::regex_replace(page, std::regex("\\\\f[BIR]"), " "), std::regex("\\\\-"), "-");
}

TEST(ManPage, ListsEveryOptionTheHelpListsAndNoHiddenOne)
{
    ReportOptions options;
    CLI::App app{kReportDescription, kReportProgramName};
    addReportOptions(app, options);
    bool hidden = false;
    app.add_flag("--not-for-people", hidden)->group("");
    const ManPageText text{"analyse logs", {"Second paragraph."}, {{"0", "fine"}}, {"gnsslog-report x"}, {"gnsslog(1)"}};
    const std::string page = manPage(app, text, "9.8.7");

    const std::set<std::string> inHelp = longOptionsIn(app.help());
    ASSERT_GT(inHelp.size(), 15u);
    EXPECT_EQ(longOptionsIn(rendered(page)), inHelp);
    EXPECT_EQ(inHelp.count("not-for-people"), 0u);

    EXPECT_EQ(page.rfind(".TH GNSSLOG-REPORT 1 \"\" \"gnsslog 9.8.7\" \"User Commands\"\n", 0), 0u);
    EXPECT_NE(page.find(".SH NAME\ngnsslog-report \\- analyse logs\n"), std::string::npos);
    EXPECT_NE(page.find(".SH SYNOPSIS\n.B gnsslog-report\n[OPTIONS] LOGFILE...\n"), std::string::npos);
    EXPECT_NE(page.find(".SH EXIT STATUS\n.TP\n.B 0\nfine\n"), std::string::npos);
    EXPECT_NE(page.find(".SH SEE ALSO\n.BR gnsslog (1)\n"), std::string::npos);
    EXPECT_NE(page.find("\\fB\\-\\-format\\fR \\fITEXT:{"), std::string::npos);
}

TEST(BashCompletion, OffersChoicesFilesOrNothingAfterEachOption)
{
    ReportOptions options;
    CLI::App app{kReportDescription, kReportProgramName};
    addReportOptions(app, options);
    const std::string script = bashCompletion(app);

    // The case after an option: the pattern line that names it, then what
    // it runs up to its ";;".
    auto caseOf = [&script](const std::string& option) {
        const std::regex pattern("\\n\\s+((?:[-a-z]+\\|)*" + option + "(?:\\|[-a-z]+)*)\\)\\n([^;]*);;");
        std::smatch match;
        return std::regex_search(script, match, pattern) ? match[2].str() : std::string("<no case>");
    };
    std::string formatWords;
    for (const InputFormat* format : inputFormats()) {
        formatWords += std::string(format->name()) + ' ';
    }
    EXPECT_NE(caseOf("--format").find("compgen -W '" + formatWords + "auto'"), std::string::npos)
        << caseOf("--format");
    EXPECT_NE(caseOf("--truth").find("compgen -W 'average first manual'"), std::string::npos);
    EXPECT_NE(caseOf("--html").find("_filedir"), std::string::npos);
    EXPECT_EQ(caseOf("--within").find("_filedir"), std::string::npos);
    EXPECT_EQ(caseOf("--within").find("compgen"), std::string::npos);
    EXPECT_EQ(caseOf("--json"), "<no case>");  // a flag: the next word is anything

    const std::set<std::string> inHelp = longOptionsIn(app.help());
    const std::size_t offered = script.find("compgen -W '-h ");
    ASSERT_NE(offered, std::string::npos);
    const std::string offeredLine = script.substr(offered, script.find('\n', offered) - offered);
    EXPECT_EQ(longOptionsIn(offeredLine), inHelp);
    EXPECT_NE(script.find("complete -F _gnsslog_report gnsslog-report\n"), std::string::npos);
}

}  // namespace
}  // namespace gnsslog
