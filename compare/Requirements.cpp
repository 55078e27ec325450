#include "compare/Requirements.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "compare/TimeSlices.h"
#include "metrics/Share.h"

namespace gnsslog {

namespace {

enum class Kind : std::uint8_t { Share, Metres, Seconds, Count };

struct FigureInfo {
    Figure figure;
    const char* name;
    Kind kind;
};

// Longer names before their prefixes ("refix95" before "refix").
constexpr FigureInfo kFigures[] = {
    {Figure::Records, "records", Kind::Count},
    {Figure::FixShare, "fix", Kind::Share},
    {Figure::FixLosses, "losses", Kind::Count},
    {Figure::TimeToFirstFix, "ttff", Kind::Seconds},
    {Figure::RefixMedian, "refix50", Kind::Seconds},
    {Figure::Refix95, "refix95", Kind::Seconds},
    {Figure::Horizontal50, "h50", Kind::Metres},
    {Figure::Horizontal95, "h95", Kind::Metres},
    {Figure::Vertical95, "v95", Kind::Metres},
    {Figure::Availability, "avail", Kind::Share},
    {Figure::WrongFixes, "wrong", Kind::Count},
    {Figure::TimeToFix95, "ttfix95", Kind::Seconds},
    {Figure::FixedWithin, "fixed-within-DURATION", Kind::Share},
    {Figure::WrongFirstFix, "wrong-first-fix", Kind::Share},
    {Figure::Within1Sigma, "within1sigma", Kind::Share},
    {Figure::HazardouslyMisleading, "hmi", Kind::Count},
    {Figure::MisleadingRate, "mi-rate", Kind::Share},
};

constexpr std::string_view kFixedWithinPrefix = "fixed-within-";

struct Unit {
    Kind kind;
    std::string_view name;
    double multiplier;  // to the kind's base unit...
    double divisor;     // ...so that 95 % is the nearest double to 0.95, as "0.95" is
};
constexpr Unit kUnits[] = {
    {Kind::Share, "%", 1.0, 100.0},     {Kind::Metres, "mm", 1.0, 1000.0},
    {Kind::Metres, "cm", 1.0, 100.0},   {Kind::Metres, "m", 1.0, 1.0},
    {Kind::Seconds, "min", 60.0, 1.0},  {Kind::Seconds, "s", 1.0, 1.0},
    {Kind::Seconds, "h", 3600.0, 1.0},
};

struct OperatorText {
    std::string_view text;
    Comparison comparison;
};
// Two-character operators first.
constexpr OperatorText kOperators[] = {
    {"<=", Comparison::LessOrEqual}, {">=", Comparison::GreaterOrEqual}, {"==", Comparison::Equal},
    {"<", Comparison::Less},         {">", Comparison::Greater},         {"=", Comparison::Equal},
};

std::string_view trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// Appended piece by piece: gcc 12 warns falsely (-Wrestrict) on "'" + string.
std::string quoted(std::string_view text)
{
    std::string result;
    result.reserve(text.size() + 2);
    result += '\'';
    result += text;
    result += '\'';
    return result;
}

std::string knownFigures()
{
    std::string names;
    for (const FigureInfo& info : kFigures) {
        names += names.empty() ? "" : ", ";
        names += info.name;
    }
    return names;
}

const FigureInfo* figureInfo(Figure figure) noexcept
{
    for (const FigureInfo& info : kFigures) {
        if (info.figure == figure) {
            return &info;
        }
    }
    return nullptr;
}

bool isAsciiLetter(char c) noexcept
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The units a figure of kind takes, as an error message lists them.
std::string unitsOf(Kind kind)
{
    std::string names;
    for (const Unit& unit : kUnits) {
        if (unit.kind == kind) {
            names += names.empty() ? " (" : ", ";
            names += unit.name;
        }
    }
    return names.empty() ? " (a count takes no unit)" : names + ")";
}

// Why a limit no figure of kind can take is refused; empty when it can.
std::string outOfRange(Kind kind, double value, const Unit* unit)
{
    switch (kind) {
    case Kind::Share:
        if (unit == nullptr && (value < 0 || value > 1)) {
            return "a share is 0..1 or a percentage such as 95%";
        }
        if (unit != nullptr && (value < 0 || value > unit->divisor)) {
            return "a share is 0% to 100%";
        }
        return {};
    case Kind::Metres: return value < 0 ? "a distance is not negative" : std::string{};
    case Kind::Seconds: return value < 0 ? "a time is not negative" : std::string{};
    case Kind::Count: return {};
    }
    return {};
}

// One part "fix>=95%"; error names the part.
std::string parseOne(std::string_view part, Requirement& out)
{
    const std::size_t op = part.find_first_of("<>=");
    if (op == std::string_view::npos) {
        return "requirement " + quoted(part) + " has no operator (<, <=, >, >=, =)";
    }
    const std::string_view name = trim(part.substr(0, op));
    const FigureInfo* info = nullptr;
    for (const FigureInfo& candidate : kFigures) {
        if (name == candidate.name) {
            info = &candidate;
        }
    }
    double withinSeconds = 0;
    if (name.starts_with(kFixedWithinPrefix)) {
        if (!parseDuration(name.substr(kFixedWithinPrefix.size()), withinSeconds)) {
            return "requirement " + quoted(part) + ": " + quoted(name) +
                   " needs a duration such as fixed-within-60s";
        }
        info = figureInfo(Figure::FixedWithin);
    }
    if (info == nullptr) {
        return "requirement " + quoted(part) + ": unknown figure " + quoted(name) + " (known: " +
               knownFigures() + ")";
    }
    std::string_view rest = part.substr(op);
    const OperatorText* oper = nullptr;
    for (const OperatorText& candidate : kOperators) {
        if (rest.starts_with(candidate.text)) {
            oper = &candidate;
            break;
        }
    }
    rest = trim(rest.substr(oper->text.size()));

    const Unit* unitGiven = nullptr;
    for (const Unit& unit : kUnits) {
        // "km" ends in "m" but is no unit of ours.
        const bool whole = rest.size() > unit.name.size() &&
                           !isAsciiLetter(rest[rest.size() - unit.name.size() - 1]);
        if (unit.kind == info->kind && whole && rest.ends_with(unit.name)) {
            unitGiven = &unit;
            rest = trim(rest.substr(0, rest.size() - unit.name.size()));
            break;
        }
    }
    double value = 0;
    const char* first = rest.data();
    const char* last = first + rest.size();
    if (first != last && *first == '+') {
        ++first;
    }
    const auto result = std::from_chars(first, last, value);
    if (first != last && result.ec == std::errc() && result.ptr != last && !unitGiven) {
        return "requirement " + quoted(part) + ": unknown unit " +
               quoted(trim(std::string_view(result.ptr, static_cast<std::size_t>(last - result.ptr)))) +
               " in " + quoted(rest) + " for " + info->name + unitsOf(info->kind);
    }
    if (first == last || result.ec != std::errc() || result.ptr != last || !std::isfinite(value)) {
        return "requirement " + quoted(part) + ": " + quoted(rest) + " is not a limit for " +
               info->name;
    }
    if (std::string range = outOfRange(info->kind, value, unitGiven); !range.empty()) {
        return "requirement " + quoted(part) + ": " + range;
    }
    out.figure = info->figure;
    out.withinSeconds = withinSeconds;
    out.comparison = oper->comparison;
    out.limit = unitGiven != nullptr ? value * unitGiven->multiplier / unitGiven->divisor : value;
    out.text = std::string(part);
    return {};
}

}  // namespace

RequirementList parseRequirements(std::string_view text)
{
    RequirementList list;
    if (trim(text).empty()) {
        list.error = "no requirement given";
        return list;
    }
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = text.find(',', start);
        const std::size_t end = comma == std::string_view::npos ? text.size() : comma;
        const std::string_view part = trim(text.substr(start, end - start));
        if (part.empty()) {
            list.error = "empty requirement after " +
                         (list.requirements.empty() ? std::string("the start")
                                                    : quoted(list.requirements.back().text));
            list.requirements.clear();
            return list;
        }
        Requirement requirement;
        if (std::string error = parseOne(part, requirement); !error.empty()) {
            list.error = std::move(error);
            list.requirements.clear();
            return list;
        }
        list.requirements.push_back(std::move(requirement));
        if (comma == std::string_view::npos) {
            break;
        }
        start = comma + 1;
    }
    return list;
}

std::optional<double> figureValue(const LogFigures& f, Figure figure) noexcept
{
    switch (figure) {
    case Figure::Records: return static_cast<double>(f.records);
    case Figure::FixShare: return f.fixShare;
    case Figure::FixLosses: return static_cast<double>(f.fixLosses);
    case Figure::TimeToFirstFix: return f.timeToFirstFix;
    case Figure::RefixMedian: return f.refixMedian;
    case Figure::Refix95: return f.refix95;
    case Figure::Horizontal50: return f.horizontal50;
    case Figure::Horizontal95: return f.horizontal95;
    case Figure::Vertical95: return f.vertical95;
    case Figure::Availability: return f.availability;
    case Figure::WrongFixes: return static_cast<double>(f.wrongFixes);
    case Figure::TimeToFix95: return f.timeToFix95;
    case Figure::FixedWithin: return std::nullopt;  // needs its duration
    case Figure::WrongFirstFix: return f.wrongFirstFixShare;
    case Figure::Within1Sigma: return f.within1Sigma;
    case Figure::HazardouslyMisleading: return f.hazardouslyMisleading;
    case Figure::MisleadingRate: return f.misleadingRate95;
    }
    return std::nullopt;
}

std::optional<double> figureValue(const LogFigures& f, const Requirement& requirement) noexcept
{
    if (requirement.figure != Figure::FixedWithin) {
        return figureValue(f, requirement.figure);
    }
    return sessionsFixedWithin(f, requirement.withinSeconds);
}

const char* figureName(Figure figure) noexcept
{
    const FigureInfo* info = figureInfo(figure);
    return info != nullptr ? info->name : "?";
}

bool measuredAgainstTruth(Figure figure) noexcept
{
    switch (figure) {
    case Figure::Horizontal50:
    case Figure::Horizontal95:
    case Figure::Vertical95:
    case Figure::WrongFixes:
    case Figure::WrongFirstFix:
    case Figure::Within1Sigma:
    case Figure::HazardouslyMisleading:
    case Figure::MisleadingRate: return true;
    default: return false;
    }
}

const char* verdictText(const Verdict& verdict) noexcept
{
    if (verdict.undecided) {
        return "-";
    }
    return verdict.pass ? "PASS" : "FAIL";
}

Verdict checkRequirement(const Requirement& requirement, const LogFigures& figures,
                         bool truthDefined) noexcept
{
    Verdict verdict;
    if (!truthDefined && measuredAgainstTruth(requirement.figure)) {
        verdict.undecided = true;
        return verdict;
    }
    verdict.value = figureValue(figures, requirement);
    if (!verdict.value || std::isnan(*verdict.value)) {
        return verdict;
    }
    const double v = *verdict.value;
    const double limit = requirement.limit;
    switch (requirement.comparison) {
    case Comparison::Less: verdict.pass = v < limit; break;
    case Comparison::LessOrEqual: verdict.pass = v <= limit; break;
    case Comparison::Greater: verdict.pass = v > limit; break;
    case Comparison::GreaterOrEqual: verdict.pass = v >= limit; break;
    case Comparison::Equal: verdict.pass = v == limit; break;
    }
    return verdict;
}

std::vector<Verdict> checkRequirements(const std::vector<Requirement>& requirements,
                                       const LogFigures& figures, bool truthDefined)
{
    std::vector<Verdict> verdicts;
    verdicts.reserve(requirements.size());
    for (const Requirement& requirement : requirements) {
        verdicts.push_back(checkRequirement(requirement, figures, truthDefined));
    }
    return verdicts;
}

bool allPass(const std::vector<Verdict>& verdicts) noexcept
{
    for (const Verdict& verdict : verdicts) {
        if (!verdict.pass) {
            return false;
        }
    }
    return true;
}

}  // namespace gnsslog
