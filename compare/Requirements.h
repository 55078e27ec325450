// Pass/fail requirements over the figures of a log comparison, e.g.
// "fix>=95%,h95<=0.02,v95<=3cm,ttff<=60s,wrong<=0" (docs/requirements.md),
// and over sessions "ttfix95<=60s,fixed-within-60s>=95%,wrong-first-fix<=1%".
//
// A requirement is FIGURE OPERATOR LIMIT: the figures are those of
// LogFigures, the operators <, <=, >, >=, = (or ==), and the limit a
// number with an optional unit of the figure's kind: shares take "%" (a
// bare number is a share 0..1), metres "m", "cm" or "mm", seconds "s",
// "min" or "h", counts none. Spaces around the parts are allowed. A figure
// that does not exist for a log (no fix, so no time to first fix) fails
// every requirement on it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compare/LogFigures.h"

namespace gnsslog {

enum class Figure : std::uint8_t {
    Records,
    FixShare,
    FixLosses,
    TimeToFirstFix,
    RefixMedian,
    Refix95,
    Horizontal50,
    Horizontal95,
    Vertical95,
    Availability,
    WrongFixes,
    TimeToFix95,    // sessions' 95th percentile time to fix
    FixedWithin,    // share of sessions fixed within Requirement::withinSeconds
    WrongFirstFix,  // share of sessions whose first fix was wrong
    Within1Sigma,   // share of north and east errors within the log's own 1 sigma
    HazardouslyMisleading,  // hazardously misleading epochs, horizontal and vertical
    MisleadingRate  // 95 % upper bound of the misleading epochs' rate
};

enum class Comparison : std::uint8_t { Less, LessOrEqual, Greater, GreaterOrEqual, Equal };

struct Requirement {
    Figure figure = Figure::Records;
    Comparison comparison = Comparison::Equal;
    double limit = 0;  // in the figure's base unit: share 0..1, metres, seconds, count
    double withinSeconds = 0;  // FixedWithin: the DURATION of "fixed-within-DURATION"
    std::string text;  // as written, spaces trimmed
};

struct RequirementList {
    std::vector<Requirement> requirements;
    std::string error;  // empty when the whole text was understood
};

// The comma-separated list. On the first part that fails, error says which
// part and why, and requirements is empty. An empty text is an error.
RequirementList parseRequirements(std::string_view text);

// The figure's value in its base unit; empty when it does not exist.
// FixedWithin needs the requirement's duration: use the second form.
std::optional<double> figureValue(const LogFigures& figures, Figure figure) noexcept;
std::optional<double> figureValue(const LogFigures& figures, const Requirement& requirement) noexcept;

// The figure's name in a requirement ("fix", "h95", ...).
const char* figureName(Figure figure) noexcept;

// Whether the figure is an error against the truth (h50, h95, v95, wrong,
// wrong-first-fix, within1sigma, hmi, mi-rate), so that it means nothing
// without a truth.
bool measuredAgainstTruth(Figure figure) noexcept;

struct Verdict {
    std::optional<double> value;  // the figure's value; empty: it does not exist
    bool pass = false;
    // Neither passed nor failed: the figure is measured against a truth
    // the log does not define (its averaged truth without RTK-fixed records).
    bool undecided = false;
};

// With truthDefined false, a requirement on a figure measuredAgainstTruth
// is undecided, with no value.
Verdict checkRequirement(const Requirement& requirement, const LogFigures& figures,
                         bool truthDefined = true) noexcept;

// One verdict per requirement, in order.
std::vector<Verdict> checkRequirements(const std::vector<Requirement>& requirements,
                                       const LogFigures& figures, bool truthDefined = true);

// Every verdict passes (an undecided one does not).
bool allPass(const std::vector<Verdict>& verdicts) noexcept;
// "PASS", "FAIL", or "-" for an undecided one.
const char* verdictText(const Verdict& verdict) noexcept;

}  // namespace gnsslog
