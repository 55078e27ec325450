// The comparison of several logs as a table of texts: one row per log,
// after it one row per clock slice, and a PASS/FAIL column per
// requirement. The report tool prints it and the application's Compare
// logs window shows the same cells.
#pragma once

#include <string>
#include <vector>

#include "compare/LogComparison.h"

namespace gnsslog {

struct TextTable {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;  // each as long as the header
    // Why a cell says what it says, for a reader who asks (a window's
    // tooltip): rows of the same shape, "" where there is nothing to add.
    // Text output leaves them out.
    std::vector<std::vector<std::string>> notes;
};

// The figure columns, then one per requirement (its text).
TextTable comparisonTable(const LogComparison& comparison,
                          const std::vector<Requirement>& requirements);

// The cells of one set of figures (the figure columns only).
std::vector<std::string> figureCells(const LogFigures& figures);

// Why each of those cells is "-" ("no RTK-fixed epochs", "no fix lost"),
// "" for a cell with a figure.
std::vector<std::string> figureNotes(const LogFigures& figures);

// Which truth the rows were measured against, e.g. "Truth: averaged
// RTK-fixed position of a.nmea (6672000.0000, 2550000.0000, 50.0000)".
std::string describeTruth(const SharedTruth& truth);

// "10:00:00-11:00:00", with " (partial)" for a partial slice.
std::string sliceLabel(const TimeSlice& slice);

// Columns padded to their widest cell, two spaces apart; no trailing
// spaces. Widths count bytes, so the table lines up for ASCII file names.
std::vector<std::string> formatTextTable(const TextTable& table);

}  // namespace gnsslog
