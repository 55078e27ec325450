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
            formatInt(f.wrongFixes)};
}

TextTable comparisonTable(const LogComparison& comparison,
                          const std::vector<Requirement>& requirements)
{
    TextTable table;
    table.header = {"log",     "records", "RTK fix", "fix losses",   "TTFF (s)",
                    "re-fix median (s)",  "re-fix 95 % (s)", "H50 (m)", "H95 (m)",
                    "V95 (m)", "availability", "wrong fixes"};
    for (const Requirement& requirement : requirements) {
        table.header.push_back(requirement.text);
    }
    const std::size_t width = table.header.size();
    for (const LogRow& row : comparison.rows) {
        std::vector<std::string> cells{bareName(row.file)};
        if (!row.openError.empty()) {
            cells.emplace_back("unreadable");
            cells.resize(width, "-");
            table.rows.push_back(std::move(cells));
            continue;
        }
        const std::vector<std::string> figures = figureCells(row.figures);
        cells.insert(cells.end(), figures.begin(), figures.end());
        addVerdicts(cells, row.verdicts);
        cells.resize(width, "-");
        table.rows.push_back(std::move(cells));
        for (const SliceRow& slice : row.slices) {
            std::vector<std::string> sliceCells{"  " + sliceLabel(slice.slice)};
            const std::vector<std::string> sliceFigures = figureCells(slice.figures);
            sliceCells.insert(sliceCells.end(), sliceFigures.begin(), sliceFigures.end());
            addVerdicts(sliceCells, slice.verdicts);
            sliceCells.resize(width, "-");
            table.rows.push_back(std::move(sliceCells));
        }
        if (!row.sliceError.empty()) {
            std::vector<std::string> note{"  not sliced: " + row.sliceError};
            note.resize(width, "");
            table.rows.push_back(std::move(note));
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
