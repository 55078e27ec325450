#include "compare/ComparisonTable.h"

#include <algorithm>
#include <filesystem>

#include "common/FormatNumber.h"

namespace gnsslog {

namespace {

constexpr int kMetreDecimals = 4;
constexpr int kSecondDecimals = 1;
constexpr int kPercentDecimals = 1;

std::string metres(const std::optional<double>& value)
{
    return value ? formatFixed(*value, kMetreDecimals) : "-";
}
std::string seconds(const std::optional<double>& value)
{
    return value ? formatFixed(*value, kSecondDecimals) : "-";
}
std::string percent(double share) { return formatFixed(share * 100.0, kPercentDecimals) + " %"; }

// The share of sessions fixed within this is the comparison's own column.
constexpr double kComparedFixedWithinSeconds = 60;

// Why a time to fix over the sessions does not exist.
std::string sessionNotFixed(const LogFigures& f)
{
    if (f.sessions <= 0) {
        return "no records";
    }
    return f.sessionTimesToFix.empty() ? "no session fixed" : "falls on a session never fixed";
}

std::string bareName(const std::string& file)
{
    const std::string name = std::filesystem::path(file).filename().string();
    return name.empty() ? file : name;
}

void addVerdicts(std::vector<std::string>& cells, const std::vector<Verdict>& verdicts)
{
    for (const Verdict& verdict : verdicts) {
        cells.emplace_back(verdictText(verdict));
    }
}

}  // namespace

std::vector<std::string> figureCells(const LogFigures& f)
{
    return {formatInt(f.records),
            percent(f.fixShare),
            formatInt(f.fixLosses),
            seconds(f.timeToFirstFix),
            seconds(f.refixMedian),
            seconds(f.refix95),
            metres(f.horizontal50),
            metres(f.horizontal95),
            metres(f.vertical95),
            f.availability ? percent(*f.availability) : "-",
            formatInt(f.wrongFixes),
            formatInt(f.sessions),
            seconds(f.timeToFixMedian),
            seconds(f.timeToFix95),
            f.sessions > 0 ? percent(*sessionsFixedWithin(f, kComparedFixedWithinSeconds)) : "-",
            f.judgedFirstFixes > 0 ? formatInt(f.wrongFirstFixes) + " of " + formatInt(f.judgedFirstFixes) : "-"};
}

std::vector<std::string> figureNotes(const LogFigures& f)
{
    const std::string noRecords = "no records";
    const std::string noFix = f.records == 0 ? noRecords : "no RTK-fixed epochs";
    const bool fixed = f.fixShare > 0;
    const auto unless = [](bool present, const std::string& why) { return present ? std::string() : why; };
    const std::string noRefix = !fixed ? noFix : f.fixLosses == 0 ? "no fix lost" : "no lost fix regained";
    const std::string noGrid = fixed ? "no RTK-fixed epoch with a grid position" : noFix;
    return {"",
            "",
            "",
            unless(f.timeToFirstFix.has_value(), noFix),
            unless(f.refixMedian.has_value(), noRefix),
            unless(f.refix95.has_value(), noRefix),
            unless(f.horizontal50.has_value(), noGrid),
            unless(f.horizontal95.has_value(), noGrid),
            unless(f.vertical95.has_value(), fixed ? "no RTK-fixed epoch with a height" : noFix),
            unless(f.availability.has_value(), noRecords),
            "",
            "",
            unless(f.timeToFixMedian.has_value(), sessionNotFixed(f)),
            unless(f.timeToFix95.has_value(), sessionNotFixed(f)),
            unless(f.sessions > 0, noRecords),
            unless(f.judgedFirstFixes > 0, f.sessionTimesToFix.empty() ? sessionNotFixed(f)
                                                                       : "no first fix with a measured error")};
}

TextTable comparisonTable(const LogComparison& comparison,
                          const std::vector<Requirement>& requirements)
{
    TextTable table;
    table.header = {"log",     "records", "RTK fix", "fix losses",   "TTFF (s)",
                    "re-fix median (s)",  "re-fix 95 % (s)", "H50 (m)", "H95 (m)",
                    "V95 (m)", "availability", "wrong fixes", "sessions", "time to fix median (s)",
                    "time to fix 95 % (s)", "fixed within 60 s", "wrong first fixes"};
    for (const Requirement& requirement : requirements) {
        table.header.push_back(requirement.text);
    }
    const std::size_t width = table.header.size();
    // A row of cells and the notes of its figure cells.
    const auto addRow = [&](std::vector<std::string> cells, std::vector<std::string> notes) {
        cells.resize(width, "-");
        notes.resize(width, "");
        table.rows.push_back(std::move(cells));
        table.notes.push_back(std::move(notes));
    };
    const auto withNotesOf = [](const LogFigures& figures) {
        std::vector<std::string> notes{""};
        const std::vector<std::string> figureNoteCells = figureNotes(figures);
        notes.insert(notes.end(), figureNoteCells.begin(), figureNoteCells.end());
        return notes;
    };
    for (const LogRow& row : comparison.rows) {
        std::vector<std::string> cells{bareName(row.file)};
        if (!row.openError.empty()) {
            cells.emplace_back("unreadable");
            addRow(std::move(cells), {"", row.openError});
            continue;
        }
        const std::vector<std::string> figures = figureCells(row.figures);
        cells.insert(cells.end(), figures.begin(), figures.end());
        addVerdicts(cells, row.verdicts);
        addRow(std::move(cells), withNotesOf(row.figures));
        for (const SliceRow& slice : row.slices) {
            std::vector<std::string> sliceCells{"  " + sliceLabel(slice.slice)};
            const std::vector<std::string> sliceFigures = figureCells(slice.figures);
            sliceCells.insert(sliceCells.end(), sliceFigures.begin(), sliceFigures.end());
            addVerdicts(sliceCells, slice.verdicts);
            addRow(std::move(sliceCells), withNotesOf(slice.figures));
        }
        if (!row.sliceError.empty()) {
            std::vector<std::string> note{"  not sliced: " + row.sliceError};
            note.resize(width, "");
            table.rows.push_back(std::move(note));
            table.notes.emplace_back(width, "");
        }
    }
    return table;
}

std::string describeTruth(const SharedTruth& truth)
{
    const std::string coordinates = " (" + formatFixed(truth.x, kMetreDecimals) + ", " +
                                    formatFixed(truth.y, kMetreDecimals) + ", " +
                                    formatFixed(truth.z, kMetreDecimals) + ")";
    switch (truth.source) {
    case TruthSource::EachLogAveraged: return "Truth: each log's own averaged RTK-fixed position";
    case TruthSource::EachLogFirstFix: return "Truth: each log's own first RTK-fixed position";
    case TruthSource::Manual: return "Truth: manual" + coordinates;
    case TruthSource::FromLog:
        return std::string("Truth: ") +
               (truth.fromMode == TruthMode::FirstFix ? "first" : "averaged") +
               " RTK-fixed position of " + bareName(truth.file) + coordinates;
    case TruthSource::Reference: return "Truth: reference trajectory " + truth.file;
    }
    return "Truth: ?";
}

std::string sliceLabel(const TimeSlice& slice)
{
    return formatClock(slice.start) + '-' + formatClock(slice.end) +
           (slice.partial ? " (partial)" : "");
}

std::vector<std::string> formatTextTable(const TextTable& table)
{
    std::vector<std::size_t> widths(table.header.size(), 0);
    auto measure = [&](const std::vector<std::string>& cells) {
        for (std::size_t c = 0; c < cells.size() && c < widths.size(); ++c) {
            widths[c] = std::max(widths[c], cells[c].size());
        }
    };
    measure(table.header);
    for (const auto& row : table.rows) {
        measure(row);
    }
    auto line = [&](const std::vector<std::string>& cells) {
        std::string text;
        for (std::size_t c = 0; c < cells.size() && c < widths.size(); ++c) {
            if (c > 0) {
                text += "  ";
            }
            // Names left, numbers right.
            text += c == 0 ? alignLeft(cells[c], widths[c]) : alignRight(cells[c], widths[c]);
        }
        while (!text.empty() && text.back() == ' ') {
            text.pop_back();
        }
        return text;
    };
    std::vector<std::string> lines{line(table.header)};
    for (const auto& row : table.rows) {
        lines.push_back(line(row));
    }
    return lines;
}

}  // namespace gnsslog
