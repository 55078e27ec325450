// The comparison's text inputs and clock slices on arbitrary bytes.
//
// The input up to the first newline is a requirement list and a duration:
//   - parseRequirements gives either requirements or an error, never both
//     or neither; each requirement's limit is finite and its text is a
//     non-empty piece of the input; checking it against any figures
//     passes only when the figure exists;
//   - parseDuration gives a positive finite number of seconds or false.
// The rest, eight bytes at a time, are record times (any double, NaN and
// infinities included) sliced into 60 s slices:
//   - the slices are consecutive, each 60 s long on a multiple of 60;
//   - every record with a finite time is in exactly the slice holding it,
//     and no other record is in any slice.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "compare/Requirements.h"
#include "compare/TimeSlices.h"
#include "tests/support/FuzzCheck.h"

namespace {

using namespace gnsslog;

void checkRequirements(std::string_view text)
{
    const RequirementList list = parseRequirements(text);
    FUZZ_CHECK(list.error.empty() != list.requirements.empty());
    LogFigures figures;
    figures.records = 3;
    figures.fixShare = 0.5;
    figures.horizontal95 = 0.02;
    for (const Requirement& r : list.requirements) {
        FUZZ_CHECK(std::isfinite(r.limit));
        FUZZ_CHECK(!r.text.empty() && text.find(r.text) != std::string_view::npos);
        const Verdict verdict = checkRequirement(r, figures);
        FUZZ_CHECK(!verdict.pass || verdict.value.has_value());
    }
    double seconds = -1;
    if (parseDuration(text, seconds)) {
        FUZZ_CHECK(std::isfinite(seconds) && seconds > 0);
    }
}

void checkSlices(const std::uint8_t* data, std::size_t size)
{
    constexpr double kSlice = 60;
    std::vector<GNSSRecord> records(size / sizeof(double));
    std::size_t finite = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        std::memcpy(&records[i].time, data + i * sizeof(double), sizeof(double));
        finite += std::isfinite(records[i].time) ? 1 : 0;
    }
    std::size_t seen = 0;
    double expectedStart = NAN;
    const std::string error = forEachTimeSlice(
        records, kSlice, 1.0, [&](const TimeSlice& slice, std::span<const GNSSRecord> in) {
            FUZZ_CHECK(slice.recordCount == in.size());
            FUZZ_CHECK(slice.end == slice.start + kSlice);
            // Exact multiples while the slice index is exact in a double.
            FUZZ_CHECK(std::fabs(slice.start) > 1e12 || std::fmod(slice.start, kSlice) == 0);
            // Contiguous while start + 60 is exact; beyond, both sides round.
            FUZZ_CHECK(std::isnan(expectedStart) || std::fabs(slice.start) > 1e12 ||
                       slice.start == expectedStart);
            expectedStart = slice.end;
            for (const GNSSRecord& r : in) {
                FUZZ_CHECK(std::isfinite(r.time));
                FUZZ_CHECK(std::floor(r.time / kSlice) * kSlice == slice.start);
            }
            seen += in.size();
        });
    FUZZ_CHECK(!error.empty() || seen == finite);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto* text = reinterpret_cast<const char*>(data);
    const std::size_t line = std::string_view(text, size).find('\n');
    const std::size_t textSize = line == std::string_view::npos ? size : line;
    checkRequirements(std::string_view(text, textSize));
    if (textSize < size) {
        checkSlices(data + textSize + 1, size - textSize - 1);
    }
    return 0;
}
