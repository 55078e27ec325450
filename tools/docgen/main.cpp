// gnsslog-docgen: writes a program's manual page or bash completion from
// the options the program registers. Run by the build, not installed.
//   gnsslog-docgen man|completion PROGRAM OUTFILE
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <string>

#include <CLI/CLI.hpp>

#include "app/ViewerOptions.h"
#include "common/BuildVersion.h"
#include "tools/docgen/BashCompletion.h"
#include "tools/docgen/ManPage.h"
#include "tools/report/runs/Report.h"
#include "tools/report/options/ReportOptions.h"
#include "tools/samplegen/SamplegenOptions.h"

namespace {

using gnsslog::ManPageText;

const std::vector<std::string> kSeeAlso = {"gnsslog(1)", "gnsslog-report(1)", "gnsslog-samplegen(1)"};

std::vector<std::string> seeAlsoBut(const std::string& program)
{
    std::vector<std::string> others;
    for (const std::string& page : kSeeAlso) {
        if (page.rfind(program + "(", 0) != 0) {
            others.push_back(page);
        }
    }
    return others;
}

ManPageText viewerText()
{
    return {"GNSS receiver position log analyser",
            {"The main window loads a log with File, Load log file, in the format the Parsing mode menu names, "
             "and shows its summary; the View menu opens the histograms and the error plots.",
             "A LOGFILE on the command line (or from the desktop's Open with) is loaded at start in the format "
             "its start looks like. A file that does not exist or that no format reads gives the usual error box "
             "and an empty main window.",
             "Sample logs are in /usr/share/doc/gnsslog/samples."},
            {},
            {"gnsslog /usr/share/doc/gnsslog/samples/static-rtk.pvt1b"},
            seeAlsoBut("gnsslog")};
}

ManPageText reportText()
{
    using namespace gnsslog;
    return {"analyse GNSS receiver position logs from the command line",
            {"With one LOGFILE it prints the six summary lines of the main window, or with --json one JSON "
             "document; several LOGFILEs are compared in one table.",
             "Numbers in its output and its files never follow the locale."},
            {{std::to_string(ReportExit::Ok), "the log has records"},
             {std::to_string(ReportExit::NoRecords), "the log has no records (\"No records, check parsing mode\")"},
             {std::to_string(ReportExit::Usage), "a bad command line, an unreadable log or an unwritable output"},
             {std::to_string(ReportExit::RequirementFailed), "a --require failed for a log or a slice"}},
            {"gnsslog-report --stats /usr/share/doc/gnsslog/samples/static-rtk.pvt1b",
             "gnsslog-report --format auto --json /usr/share/doc/gnsslog/samples/static-rtk.nmea"},
            seeAlsoBut("gnsslog-report")};
}

ManPageText samplegenText()
{
    return {"write deterministic sample GNSS receiver logs",
            {"The same options and seed always give the same bytes, so the logs serve tests and benchmarks."},
            {},
            {"gnsslog-samplegen --format nmea --size 100000 --out sample.nmea"},
            seeAlsoBut("gnsslog-samplegen")};
}

// Each program's options, registered as the program registers them.
struct Program {
    const char* description;
    std::function<void(CLI::App&)> addOptions;
    std::function<ManPageText()> text;
};

const std::map<std::string, Program>& programs()
{
    static gnsslog::ViewerOptions viewer;
    static gnsslog::ReportOptions report;
    static gnsslog::GeneratorOptions generator;
    static gnsslog::SamplegenFiles generatorFiles;
    static const std::map<std::string, Program> table = {
        {"gnsslog",
         {gnsslog::kViewerDescription, [](CLI::App& app) { gnsslog::addViewerOptions(app, viewer); }, viewerText}},
        {gnsslog::kReportProgramName,
         {gnsslog::kReportDescription, [](CLI::App& app) { gnsslog::addReportOptions(app, report); }, reportText}},
        {"gnsslog-samplegen",
         {gnsslog::kSamplegenDescription,
          [](CLI::App& app) { gnsslog::addSamplegenOptions(app, generator, generatorFiles); }, samplegenText}},
    };
    return table;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string kind = argc == 4 ? argv[1] : "";
    const auto program = argc == 4 ? programs().find(argv[2]) : programs().end();
    if ((kind != "man" && kind != "completion") || program == programs().end()) {
        std::fprintf(stderr, "usage: gnsslog-docgen man|completion gnsslog|gnsslog-report|gnsslog-samplegen FILE\n");
        return 2;
    }
    CLI::App app{program->second.description, program->first};
    program->second.addOptions(app);
    std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
    out << (kind == "man" ? gnsslog::manPage(app, program->second.text(), gnsslog::buildVersion())
                          : gnsslog::bashCompletion(app));
    out.close();
    if (!out) {
        std::fprintf(stderr, "gnsslog-docgen: cannot write %s\n", argv[3]);
        return 2;
    }
    return 0;
}
