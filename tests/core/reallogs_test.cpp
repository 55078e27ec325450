// The analysis of real receiver logs from many makers (the shared folder
// beside the project; the tests skip where it is absent). Nothing here is a
// number copied from today's output: every assertion holds for any log.
// In NMEA mode the records are checked against a second reading of the
// same bytes (tests/support/NmeaSentenceScan.h) whose framing and checksum
// counting do not use the core; only the decision whether a sentence makes
// a record is left to the decoder. NavCom mode runs over every log as well,
// where it must finish with consistent figures and nothing else.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "log/formats/Formats.h"
#include "log/formats/nmea/NmeaDecoder.h"
#include "log/Pipeline.h"
#include "plots/series/ErrorSeries.h"
#include "tests/support/Comparisons.h"
#include "tests/support/FrameShapes.h"
#include "tests/support/NmeaSentenceScan.h"

namespace gnsslog {
namespace {

namespace fs = std::filesystem;
using testing::ScannedSentence;

constexpr double kDaySeconds = 86400.0;
// A step back of this much or less is a clock hiccup, not a new day.
constexpr double kWrapToleranceSeconds = 100.0;
constexpr std::string_view kPvt1bLabel = "[PVT1B]";

fs::path realLogFolder()
{
    return fs::path(GNSSLOG_SOURCE_DIR) / ".." / "shared" / "realdata" / "logs";
}

std::vector<fs::path> realLogs()
{
    std::vector<fs::path> logs;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(realLogFolder(), error)) {
        if (entry.is_regular_file()) {
            logs.push_back(entry.path());
        }
    }
    std::sort(logs.begin(), logs.end());
    return logs;
}

std::vector<std::uint8_t> readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>());
}

GNSSLog analyse(const std::vector<std::uint8_t>& bytes, const InputFormat& format,
                bool verifyChecksum, bool toKKJ)
{
    GNSSLog log(TruthMode::Averaged, 0, 0, 0);
    runPipelineOnBytes(log, bytes.data(), bytes.size(), nullptr,
                       DecodeOptions{toKKJ}, withChecksumCheck(format, verifyChecksum),
                       PipelineOptions{});
    return log;
}

// The decoder's reading of one scanned sentence, zero-terminated as the
// pipeline hands it over.
DecodedRecord decodeScanned(const ScannedSentence& sentence, bool toKKJ)
{
    std::string text(sentence.text);
    DecodedRecord record;
    decodeNmeaSentence(record, text.data(), toKKJ);
    return record;
}

bool namesSolutionType(std::string_view sentence)
{
    for (const std::string_view type : {"GGA", "LLK", "LLQ", "ORP"}) {
        if (sentence.find(type) != std::string_view::npos) {
            return true;
        }
    }
    // The sentences that complete an epoch, by their address.
    if (sentence.size() < 7 || sentence[6] != ',') {
        return false;
    }
    const std::string_view type = sentence.substr(3, 3);
    for (const std::string_view other : {"GNS", "GST", "RMC", "ZDA", "GSA"}) {
        if (type == other) {
            return true;
        }
    }
    return false;
}

// What an NMEA analysis of a log must give, from the scan and the decoder.
struct ScanExpectation {
    std::vector<std::pair<std::string, std::uint64_t>> framesByType;  // first appearance order
    std::uint64_t frames = 0;
    std::vector<GNSSRecord> checkedRecords;    // checksum right, decoder accepts a position
    std::vector<GNSSRecord> uncheckedRecords;  // decoder accepts a position
    // Accepted sentences that complete another sentence's record (GST,
    // RMC, ZDA, GSA), the same two ways.
    std::uint64_t checkedParts = 0;
    std::uint64_t uncheckedParts = 0;
    bool dated = false;  // an accepted RMC or ZDA with the checksum right
    std::uint64_t wrongChecksum = 0;
    std::uint64_t wrongChecksumNotAccepted = 0;
    std::uint64_t unread = 0;                 // names no solution type
    std::uint64_t unreadWithRightChecksum = 0;
};

// The position sentence last seen, to tell one that repeats its epoch.
struct LastSolution {
    bool seen = false;
    double time = 0;
    std::uint8_t part = 0;

    bool repeats(const GNSSRecord& r)
    {
        const bool again = seen && part != r.framePart && time == r.time;
        seen = true;
        time = r.time;
        part = r.framePart;
        return again;
    }
};

// Where a GGA repeats the GNS of its epoch, the GGA's record is the
// epoch's: part is a sentence that tells the epoch of records' last again.
void ggaOverGns(std::vector<GNSSRecord>& records, const GNSSRecord& part)
{
    if (part.framePart == FramePart::Solution && !records.empty() &&
        records.back().framePart == FramePart::OtherSolution && records.back().time == part.time) {
        records.back() = part;
    }
}

ScanExpectation expectFromScan(const std::vector<std::uint8_t>& bytes, bool toKKJ)
{
    ScanExpectation e;
    LastSolution uncheckedSolutions;
    LastSolution checkedSolutions;
    for (const ScannedSentence& s : testing::scanNmeaSentences(bytes.data(), bytes.size())) {
        ++e.frames;
        const std::string type(s.text.substr(0, 6));
        const auto known = std::find_if(e.framesByType.begin(), e.framesByType.end(),
                                        [&](const auto& entry) { return entry.first == type; });
        if (known == e.framesByType.end()) {
            e.framesByType.emplace_back(type, 1);
        } else {
            ++known->second;
        }
        const GNSSRecord record = decodeScanned(s, toKKJ);
        const bool accepted = record.valid != 0;
        const bool solution = record.framePart == FramePart::Solution ||
                              record.framePart == FramePart::OtherSolution;
        // A GNS of the time of the GGA before it (or the other way round)
        // tells that epoch again.
        const bool part = accepted && (!solution || uncheckedSolutions.repeats(record));
        const bool checkedPart =
            accepted && (!solution || (s.checksumMatches && checkedSolutions.repeats(record)));
        const bool unread = !namesSolutionType(s.text);
        e.unread += unread ? 1 : 0;
        if (accepted) {
            if (part) {
                ++e.uncheckedParts;
                ggaOverGns(e.uncheckedRecords, record);
            } else {
                e.uncheckedRecords.push_back(record);
            }
        }
        if (s.checksumMatches) {
            e.unreadWithRightChecksum += unread ? 1 : 0;
            if (checkedPart) {
                ++e.checkedParts;
                e.dated = e.dated || record.framePart == FramePart::Date;
                ggaOverGns(e.checkedRecords, record);
            } else if (accepted) {
                e.checkedRecords.push_back(record);
            }
        } else {
            ++e.wrongChecksum;
            e.wrongChecksumNotAccepted += accepted ? 0 : 1;
        }
    }
    return e;
}

std::size_t occurrences(const std::vector<std::uint8_t>& bytes, std::string_view needle)
{
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::size_t count = 0;
    for (std::size_t at = text.find(needle); at != std::string_view::npos;
         at = text.find(needle, at + 1)) {
        ++count;
    }
    return count;
}

std::uint64_t framesOfType(const DataQuality& q, std::string_view type)
{
    for (const auto& [name, count] : q.framesByType) {
        if (name == type) {
            return count;
        }
    }
    return 0;
}

// Records, fix markers and counts agree with each other; every double is
// finite; empty groups read 0.
::testing::AssertionResult recordsConsistent(const GNSSLog& log)
{
    std::int64_t fixed = 0;
    std::int64_t lost = 0;
    bool previousFixed = false;
    double latest = 0;
    for (std::size_t i = 0; i < log.records.size(); ++i) {
        const GNSSRecord& r = log.records[i];
        if (r.valid != 1 || !testing::allFinite(r) || !testing::clearGroupsReadZero(r)) {
            return ::testing::AssertionFailure()
                   << "record " << i << ": valid " << int{r.valid} << ", time " << r.time
                   << ", height " << r.height << ", flags " << r.validFlags;
        }
        const bool isFixed = r.fixType == FixType::RtkFixed;
        const std::uint8_t marker = isFixed && !previousFixed   ? FixChange::Gained
                                    : !isFixed && previousFixed ? FixChange::Lost
                                                                : FixChange::None;
        if (r.fixChange != marker) {
            return ::testing::AssertionFailure() << "record " << i << ": fix marker "
                                                 << int{r.fixChange} << ", expected "
                                                 << int{marker};
        }
        fixed += isFixed ? 1 : 0;
        lost += marker == FixChange::Lost ? 1 : 0;
        previousFixed = isFixed;
        latest = std::max(latest, r.time);
    }
    if (log.rtkFixCount != fixed || log.fixLostCount != lost) {
        return ::testing::AssertionFailure() << "rtkFixCount " << log.rtkFixCount << " of "
                                             << fixed << " fixed records, fixLostCount "
                                             << log.fixLostCount << " of " << lost;
    }
    if (log.endTime != latest) {
        return ::testing::AssertionFailure() << "endTime " << log.endTime << ", latest " << latest;
    }
    for (const double v : {log.avgLatitude, log.avgLongitude, log.avgX, log.avgY, log.avgZ,
                           log.firstFixX, log.firstFixY, log.firstFixZ, log.maxErrorX,
                           log.maxErrorY, log.maxErrorZ, log.startTime, log.endTime}) {
        if (!std::isfinite(v)) {
            return ::testing::AssertionFailure() << "a non-finite summary value";
        }
    }
    return ::testing::AssertionSuccess();
}

// The data-quality figures agree with the records and with each other.
// wantedFrames: the frames the format decodes.
void expectQualityConsistent(const GNSSLog& log, std::uint64_t wantedFrames)
{
    const DataQuality& q = log.dataQuality;
    EXPECT_EQ(q.recordsKept, log.records.size());
    std::uint64_t typed = 0;
    for (const auto& entry : q.framesByType) {
        EXPECT_GT(entry.second, 0u) << entry.first;
        typed += entry.second;
    }
    EXPECT_EQ(q.frames, typed);
    EXPECT_EQ(q.recordsKept + q.joinedFrames + q.rejectedChecksum + q.unreadFrames +
                  q.rejectedFrames,
              wantedFrames);

    std::uint64_t back = 0;
    std::vector<double> forward;
    for (std::size_t i = 1; i < log.records.size(); ++i) {
        const double step = log.records[i].time - log.records[i - 1].time;
        back += step < 0 ? 1 : 0;
        if (step > 0) {
            forward.push_back(step);
        }
    }
    EXPECT_EQ(q.backwardSteps, back);
    EXPECT_LE(q.dayWraps, log.records.size());
    ASSERT_EQ(std::isnan(q.medianInterval), forward.empty()) << q.medianInterval;
    if (!forward.empty()) {
        // The median is one of the steps, rounded to whole milliseconds.
        const double m = q.medianInterval;
        EXPECT_TRUE(std::any_of(forward.begin(), forward.end(),
                                [&](double s) { return std::fabs(s - m) <= 0.0005 + 1e-9; }))
            << m;
        // Gaps: steps longer than twice the median, up to that rounding.
        const auto longer = [&](double limit) {
            return static_cast<std::uint64_t>(
                std::count_if(forward.begin(), forward.end(), [&](double s) { return s > limit; }));
        };
        EXPECT_LE(longer(2 * m + 0.001), q.gaps);
        EXPECT_LE(q.gaps, longer(2 * m - 0.001));
    } else {
        EXPECT_EQ(q.gaps, 0u);
    }

    const CoordinateResolution& r = q.resolution;
    bool coarse = false;
    for (const double step : {r.north, r.east, r.height, r.gridX, r.gridY}) {
        EXPECT_TRUE(std::isnan(step) || step > 0) << step;
        coarse = coarse || step >= kCoarseResolutionMetres;
    }
    const bool warned = std::any_of(q.warnings.begin(), q.warnings.end(), [](const auto& w) {
        return w.find("quantised") != std::string::npos;
    });
    EXPECT_EQ(warned, coarse);
    if (!log.records.empty() &&
        std::none_of(log.records.begin(), log.records.end(),
                     [](const GNSSRecord& rec) { return rec.has(ValidFlag::LatLon); })) {
        EXPECT_TRUE(std::isnan(r.north) && std::isnan(r.east));
    }
}

// The analysis kept exactly the records the scan expects, in file order,
// each as the decoder reads its sentence apart from the fix marker, the
// whole days added to its time and what the epoch's other sentences add
// (a GST's estimate, a GSA's satellites, the date; checked on their own
// below). Undated days follow the day-wrap rule and add up to dayWraps.
::testing::AssertionResult sameRecordsAsScan(const GNSSLog& log,
                                             const std::vector<GNSSRecord>& expected)
{
    if (log.records.size() != expected.size()) {
        return ::testing::AssertionFailure() << log.records.size() << " records, the scan finds "
                                             << expected.size();
    }
    long long days = 0;
    double previous = 0;
    bool dated = false;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const GNSSRecord& got = log.records[i];
        const double raw = expected[i].time;
        const long long d = std::llround((got.time - raw) / kDaySeconds);
        const double shifted = raw + kDaySeconds * static_cast<double>(days);
        const bool wrapped = d == days + 1;
        if (std::fabs(got.time - (raw + kDaySeconds * static_cast<double>(d))) > 1e-6) {
            return ::testing::AssertionFailure()
                   << "record " << i << ": time " << got.time << " of " << raw
                   << " is not whole days on";
        }
        if (got.has(ValidFlag::DatedTime)) {
            dated = true;
        } else if (dated) {
            return ::testing::AssertionFailure() << "record " << i << " undated after a dated one";
        } else if ((d != days && !wrapped) || wrapped != (shifted + kWrapToleranceSeconds < previous)) {
            return ::testing::AssertionFailure()
                   << "record " << i << ": time " << got.time << " of " << raw << " after "
                   << previous << " with " << days << " days added before";
        }
        GNSSRecord want = expected[i];
        want.time = got.time;
        want.fixChange = got.fixChange;
        want.framePart = FramePart::Solution;
        want.validFlags |= got.validFlags & ValidFlag::DatedTime;
        if (got.has(ValidFlag::ErrorEstimate) && !want.has(ValidFlag::ErrorEstimate)) {
            want.errorEstimate = got.errorEstimate;
            want.validFlags |= ValidFlag::ErrorEstimate;
        }
        want.validFlags |= got.validFlags & ValidFlag::AxisSigmas;  // the GST's, checked below
        if (want.gpsSatellites == 0 && want.glonassSatellites == 0) {
            want.gpsSatellites = got.gpsSatellites;
            want.glonassSatellites = got.glonassSatellites;
        }
        if (!testing::sameRecord(got, want)) {
            return ::testing::AssertionFailure() << "record " << i << " differs from its sentence";
        }
        if (!dated) {
            days = d;
        }
        previous = got.time;
    }
    // The first dated record may take one more day joining the undated ones.
    const auto wraps = log.dataQuality.dayWraps;
    if (wraps != static_cast<std::uint64_t>(days) &&
        !(dated && wraps == static_cast<std::uint64_t>(days) + 1)) {
        return ::testing::AssertionFailure() << "dayWraps " << log.dataQuality.dayWraps << ", "
                                             << days << " days added";
    }
    return ::testing::AssertionSuccess();
}

// The KKJ setting changes the grid fields and nothing else.
void expectSameApartFromGrid(const GNSSLog& withGrid, const GNSSLog& without)
{
    ASSERT_EQ(withGrid.records.size(), without.records.size());
    for (std::size_t i = 0; i < withGrid.records.size(); ++i) {
        ASSERT_TRUE(testing::sameApartFromGrid(withGrid.records[i], without.records[i])) << i;
    }
    const DataQuality& a = withGrid.dataQuality;
    const DataQuality& b = without.dataQuality;
    EXPECT_EQ(a.framesByType, b.framesByType);
    EXPECT_EQ(a.rejectedChecksum, b.rejectedChecksum);
    EXPECT_EQ(a.unreadFrames, b.unreadFrames);
    EXPECT_EQ(a.rejectedFrames, b.rejectedFrames);
    EXPECT_EQ(a.dayWraps, b.dayWraps);
    EXPECT_TRUE(testing::sameBits(a.resolution.north, b.resolution.north));
    EXPECT_TRUE(testing::sameBits(a.resolution.height, b.resolution.height));
    EXPECT_EQ(withGrid.rtkFixCount, without.rtkFixCount);
}

std::string missingFolderMessage()
{
    return "real receiver logs not found at " + realLogFolder().string();
}

// The scan is only a second opinion if it frames as the framer does: rows
// for each rule, since the real logs need not exercise them all. Each row
// states the sentences expected, and the framer must agree.
TEST(RealLogScan, FramesAsTheFramerDoes)
{
    const std::string gga = "$GPGGA,1,2*3A";
    const std::string body500(500, 'B');  // with "$GPGGA", "*" and two: 509 bytes
    struct Row {
        const char* legend;
        std::string input;
        std::vector<std::string> expected;
    };
    const Row rows[] = {
        {"two sentences among noise", "xx" + gga + "\r\n\x01" + gga, {gga, gga}},
        {"doubled dollar loses the sentence", "$" + gga + "\r\n" + gga, {gga}},
        {"lower-case address", "$GPgGA,1*00" + gga, {gga}},
        {"DEL is a body byte", "$GPGGA,\x7F*00", {"$GPGGA,\x7F*00"}},
        {"a byte above 0x7F ends it", "$GPGGA,\x80*00" + gga, {gga}},
        {"checksum characters 0..F", "$GPGGA,1*:@" + gga, {"$GPGGA,1*:@", gga}},
        {"a dollar that breaks the checksum is consumed", "$GPGGA,1*" + gga + gga, {gga}},
        {"a dollar after one checksum character", "$GPGGA,1*3" + gga + gga, {gga}},
        {"a star in the checksum", "$GPGGA,1**3A" + gga, {gga}},
        {"511 bytes", "$GPGGA" + body500 + "12*00", {"$GPGGA" + body500 + "12*00"}},
        {"512 bytes", "$GPGGA" + body500 + "123*00" + gga, {gga}},
        {"the dollar that overflows is consumed", "$GPGGA" + body500 + "12345" + gga + gga,
         {gga}},
        {"a star as the 511th byte", "$GPGGA" + body500 + "1234*0" + gga, {gga}},
        {"cut at the end", gga + "\r\n$GPGGA,1*3", {gga}},
        {"cut in the address", gga + "$GPG", {gga}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.legend);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(row.input.data());
        std::vector<std::string> scanned;
        for (const ScannedSentence& s : testing::scanNmeaSentences(bytes, row.input.size())) {
            EXPECT_EQ(s.text.data(), row.input.data() + s.offset);
            scanned.emplace_back(s.text);
        }
        EXPECT_EQ(scanned, row.expected);
        std::vector<std::string> framed;
        for (const auto& frame :
             testing::framesByteByByte<NMEASniffer>(bytes, row.input.size())) {
            framed.push_back(frame.bytes);
        }
        EXPECT_EQ(framed, row.expected);
    }
    // A sentence with a known right checksum, then wrong ones.
    const auto matches = [](const std::string& text) {
        const auto found = testing::scanNmeaSentences(
            reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        return found.size() == 1 && found[0].checksumMatches;
    };
    const std::string rmc =
        "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";
    EXPECT_TRUE(matches(rmc));
    EXPECT_FALSE(matches(rmc.substr(0, rmc.size() - 1) + "B"));
    EXPECT_FALSE(matches(rmc.substr(0, rmc.size() - 1) + ":"));  // framed, not a hex digit
    EXPECT_FALSE(matches("$GPRMC,123519,B" + rmc.substr(15)));
}

TEST(RealLogs, NmeaModeKeepsExactlyTheSentencesAnIndependentScanFinds)
{
    if (!fs::is_directory(realLogFolder())) {
        GTEST_SKIP() << missingFolderMessage();
    }
    const std::vector<fs::path> logs = realLogs();
    ASSERT_FALSE(logs.empty()) << realLogFolder().string();
    std::size_t logsWithRecords = 0;
    std::size_t logsNamingGga = 0;
    for (const fs::path& path : logs) {
        SCOPED_TRACE(path.filename().string());
        const std::vector<std::uint8_t> bytes = readBytes(path);
        const ScanExpectation scan = expectFromScan(bytes, true);

        const GNSSLog checked = analyse(bytes, nmeaFormat(), true, true);
        EXPECT_TRUE(recordsConsistent(checked));
        expectQualityConsistent(checked, checked.dataQuality.frames);
        EXPECT_EQ(checked.dataQuality.joinedFrames, scan.checkedParts);
        EXPECT_TRUE(sameRecordsAsScan(checked, scan.checkedRecords));
        const DataQuality& q = checked.dataQuality;
        EXPECT_EQ(q.framesByType, scan.framesByType);
        EXPECT_EQ(q.rejectedChecksum, scan.wrongChecksum);
        EXPECT_EQ(q.unreadFrames, scan.unreadWithRightChecksum);

        const GNSSLog unchecked = analyse(bytes, nmeaFormat(), false, true);
        EXPECT_TRUE(recordsConsistent(unchecked));
        expectQualityConsistent(unchecked, unchecked.dataQuality.frames);
        EXPECT_EQ(unchecked.dataQuality.joinedFrames, scan.uncheckedParts);
        EXPECT_TRUE(sameRecordsAsScan(unchecked, scan.uncheckedRecords));
        EXPECT_EQ(unchecked.dataQuality.frames, scan.frames);
        EXPECT_EQ(unchecked.dataQuality.rejectedChecksum, 0u);
        EXPECT_EQ(unchecked.dataQuality.unreadFrames, scan.unread);
        EXPECT_GE(unchecked.records.size(), checked.records.size());
        // A sentence with a wrong checksum is counted as rejected in the
        // checked run whether or not the decoder would take it (a GSV, say),
        // so checked records plus rejections only bound the unchecked
        // records from above; they exceed them by exactly the
        // wrong-checksum sentences the decoder refuses anyway.
        EXPECT_GE(checked.records.size() + scan.checkedParts + q.rejectedChecksum,
                  unchecked.records.size() + scan.uncheckedParts);
        EXPECT_EQ(checked.records.size() + scan.checkedParts + q.rejectedChecksum,
                  unchecked.records.size() + scan.uncheckedParts + scan.wrongChecksumNotAccepted);

        // Grid conversion off: the same analysis without grid fields.
        const GNSSLog checkedNoGrid = analyse(bytes, nmeaFormat(), true, false);
        EXPECT_TRUE(recordsConsistent(checkedNoGrid));
        expectQualityConsistent(checkedNoGrid, checkedNoGrid.dataQuality.frames);
        expectSameApartFromGrid(checked, checkedNoGrid);
        const GNSSLog uncheckedNoGrid = analyse(bytes, nmeaFormat(), false, false);
        EXPECT_TRUE(recordsConsistent(uncheckedNoGrid));
        expectQualityConsistent(uncheckedNoGrid,
                                uncheckedNoGrid.dataQuality.frames);
        expectSameApartFromGrid(unchecked, uncheckedNoGrid);

        logsWithRecords += checked.records.empty() ? 0 : 1;
        logsNamingGga += occurrences(bytes, "GGA,") > 0 ? 1 : 0;
    }
    // The folder also holds binary and solution-file logs, so the share is
    // taken among the logs whose bytes name a GGA sentence: a scan and an
    // analysis that both found nothing would agree as well.
    ASSERT_GT(logsNamingGga, 0u);
    EXPECT_GT(logsWithRecords, logsNamingGga / 2);
}

// Where a log tells an epoch in a GGA and a GNS, the record carries the
// GGA's quality and satellite count whatever their order (the Furuno log
// writes the GNS first, with mode "D" for its DGPS quality 2).
TEST(RealLogs, ARecordWithAGgaOfItsTimeHasTheGgasQualityAndSatellites)
{
    if (!fs::is_directory(realLogFolder())) {
        GTEST_SKIP() << missingFolderMessage();
    }
    std::size_t checkedRecords = 0;
    for (const fs::path& path : realLogs()) {
        SCOPED_TRACE(path.filename().string());
        const std::vector<std::uint8_t> bytes = readBytes(path);
        // The GGA of each time of day that has exactly one.
        std::map<double, GNSSRecord> ggaByTime;
        std::set<double> repeated;
        for (const ScannedSentence& s : testing::scanNmeaSentences(bytes.data(), bytes.size())) {
            const GNSSRecord r = decodeScanned(s, false);
            if (!s.checksumMatches || r.valid == 0 || s.text.substr(3, 3) != "GGA") {
                continue;
            }
            if (!ggaByTime.emplace(r.time, r).second) {
                repeated.insert(r.time);
            }
        }
        const GNSSLog log = analyse(bytes, nmeaFormat(), true, false);
        for (const GNSSRecord& record : log.records) {
            const double timeOfDay = record.time - kDaySeconds * std::floor(record.time / kDaySeconds);
            const auto gga = ggaByTime.find(timeOfDay);
            if (gga == ggaByTime.end() || repeated.count(timeOfDay) != 0) {
                continue;
            }
            ++checkedRecords;
            ASSERT_EQ(record.fixType, gga->second.fixType) << "time " << record.time;
            ASSERT_EQ(record.satellites, gga->second.satellites) << "time " << record.time;
        }
    }
    EXPECT_GT(checkedRecords, 0u);
}

// A date moves the time only by the days its time of day allows: two
// consecutive dated records are less than a day apart, whatever dates the
// receiver wrote (a receiver without a fix writes garbage ones).
TEST(RealLogs, DatesNeverMoveTheTimeByMoreThanTheTimeOfDayAllows)
{
    if (!fs::is_directory(realLogFolder())) {
        GTEST_SKIP() << missingFolderMessage();
    }
    std::size_t datedLogs = 0;
    for (const fs::path& path : realLogs()) {
        SCOPED_TRACE(path.filename().string());
        const GNSSLog log = analyse(readBytes(path), nmeaFormat(), true, false);
        const GNSSRecord* previous = nullptr;
        for (const GNSSRecord& r : log.records) {
            if (!r.has(ValidFlag::DatedTime)) {
                continue;
            }
            if (previous != nullptr) {
                ASSERT_LT(std::fabs(r.time - previous->time), kDaySeconds)
                    << previous->time << " then " << r.time;
            }
            previous = &r;
        }
        datedLogs += previous != nullptr ? 1 : 0;
    }
    EXPECT_GT(datedLogs, 0u);
}

TEST(RealLogs, NavcomModeFinishesWithConsistentFiguresOnEveryLog)
{
    if (!fs::is_directory(realLogFolder())) {
        GTEST_SKIP() << missingFolderMessage();
    }
    const std::vector<fs::path> logs = realLogs();
    ASSERT_FALSE(logs.empty()) << realLogFolder().string();
    for (const fs::path& path : logs) {
        SCOPED_TRACE(path.filename().string());
        const std::vector<std::uint8_t> bytes = readBytes(path);
        const GNSSLog log = analyse(bytes, navcomFormat(), true, true);
        EXPECT_TRUE(recordsConsistent(log));
        expectQualityConsistent(log, framesOfType(log.dataQuality, kPvt1bLabel));
        EXPECT_EQ(log.dataQuality.unreadFrames, 0u);  // only "[PVT1B]" frames are decoded
        EXPECT_LE(log.records.size(), occurrences(bytes, kPvt1bLabel));
        EXPECT_LE(log.dataQuality.frames, occurrences(bytes, "["));

        // NavCom frames carry a CRC that is always checked.
        const GNSSLog unchecked = analyse(bytes, navcomFormat(), false, false);
        EXPECT_TRUE(recordsConsistent(unchecked));
        EXPECT_EQ(unchecked.dataQuality.framesByType, log.dataQuality.framesByType);
        EXPECT_EQ(unchecked.dataQuality.rejectedChecksum, log.dataQuality.rejectedChecksum);
        expectSameApartFromGrid(log, unchecked);
    }
}

// A u-blox F9 rover log whose NMEA has a GGA cut short by an RMC:
// "$GNGGA,161831.50,2844.05121,N,01352.01240,W,4,12,$GNRMC,..." ends with
// the RMC's checksum, and its fields read as an RTK-fixed solution whose
// altitude is the RMC's time.
constexpr std::string_view kCutGgaLog = "jdesbonnet-rover-20190416-1617.ubx";
constexpr std::string_view kCutGgaStart =
    "$GNGGA,161831.50,2844.05121,N,01352.01240,W,4,12,$GNRMC,";

TEST(RealLogs, CutGgaInAUbloxRoverLogIsRejectedUnlessChecksumsAreOff)
{
    if (!fs::is_directory(realLogFolder())) {
        GTEST_SKIP() << missingFolderMessage();
    }
    const fs::path path = realLogFolder() / kCutGgaLog;
    if (!fs::is_regular_file(path)) {
        GTEST_SKIP() << path.string() << " not found";
    }
    const std::vector<std::uint8_t> bytes = readBytes(path);
    const std::vector<ScannedSentence> sentences =
        testing::scanNmeaSentences(bytes.data(), bytes.size());
    const auto cut = std::find_if(sentences.begin(), sentences.end(),
                                  [](const auto& s) { return s.text.starts_with(kCutGgaStart); });
    ASSERT_NE(cut, sentences.end());
    EXPECT_FALSE(cut->checksumMatches);
    const GNSSRecord literal = decodeScanned(*cut, true);
    ASSERT_EQ(literal.valid, 1);
    EXPECT_GT(literal.height, 100000.0);

    const GNSSLog checked = analyse(bytes, nmeaFormat(), true, true);
    EXPECT_GE(checked.dataQuality.rejectedChecksum, 1u);
    EXPECT_TRUE(std::any_of(checked.dataQuality.warnings.begin(),
                            checked.dataQuality.warnings.end(), [](const auto& w) {
                                return w.find("wrong checksum") != std::string::npos;
                            }));
    ASSERT_FALSE(checked.records.empty());
    for (const GNSSRecord& r : checked.records) {
        ASSERT_LE(r.height, 10000.0) << "at " << r.time;
    }
    // 1e-5 minute of latitude, as u-blox NMEA writes it: 1.85 cm at 28.7 N.
    EXPECT_GE(checked.dataQuality.resolution.north, 0.015);
    EXPECT_LE(checked.dataQuality.resolution.north, 0.022);

    const GNSSLog unchecked = analyse(bytes, nmeaFormat(), false, true);
    EXPECT_EQ(unchecked.dataQuality.rejectedChecksum, 0u);
    EXPECT_TRUE(std::any_of(unchecked.records.begin(), unchecked.records.end(),
                            [](const GNSSRecord& r) { return r.height > 100000.0; }));
}

// Time of day of a record's time, whatever days were added.
double timeOfDay(double time)
{
    return time - std::floor(time / kDaySeconds) * kDaySeconds;
}

// The accepted sentences of a part type with a right checksum, decoded.
std::vector<DecodedRecord> acceptedParts(const std::vector<std::uint8_t>& bytes, std::uint8_t part)
{
    std::vector<DecodedRecord> parts;
    for (const ScannedSentence& s : testing::scanNmeaSentences(bytes.data(), bytes.size())) {
        const DecodedRecord r = decodeScanned(s, false);
        if (s.checksumMatches && r.valid != 0 && r.framePart == part) {
            parts.push_back(r);
        }
    }
    return parts;
}

TEST(RealLogs, GstEstimatesLandOnTheRecordsOfTheirTime)
{
    if (!fs::is_directory(realLogFolder())) {
        GTEST_SKIP() << missingFolderMessage();
    }
    std::size_t logsWithEstimates = 0;
    for (const fs::path& path : realLogs()) {
        const std::vector<std::uint8_t> bytes = readBytes(path);
        if (occurrences(bytes, "GST,") == 0) {
            continue;
        }
        SCOPED_TRACE(path.filename().string());
        const std::vector<DecodedRecord> gsts = acceptedParts(bytes, FramePart::ErrorEstimate);
        const GNSSLog log = analyse(bytes, nmeaFormat(), true, true);
        std::size_t estimated = 0;
        for (const DecodedRecord& r : testing::decodedRecordsOf(log)) {
            const double t = timeOfDay(r.time);
            const bool hasGst = std::any_of(gsts.begin(), gsts.end(), [&](const DecodedRecord& g) {
                return std::fabs(g.time - t) < 1e-6;
            });
            if (!r.has(ValidFlag::ErrorEstimate)) {
                // Every GGA of these logs has its GST next to it.
                EXPECT_FALSE(hasGst) << "no estimate at " << r.time;
                continue;
            }
            ++estimated;
            EXPECT_TRUE(std::any_of(gsts.begin(), gsts.end(), [&](const DecodedRecord& g) {
                return std::fabs(g.time - t) < 1e-6 && g.errorEstimate == r.errorEstimate &&
                       g.has(ValidFlag::AxisSigmas) == r.has(ValidFlag::AxisSigmas) &&
                       g.accuracy.sigmaNorth == r.accuracy.sigmaNorth &&
                       g.accuracy.sigmaEast == r.accuracy.sigmaEast &&
                       g.accuracy.sigmaUp == r.accuracy.sigmaUp;
            })) << "estimate " << r.errorEstimate << " at " << r.time;
        }
        EXPECT_LE(estimated, gsts.size());
        if (estimated == 0) {
            continue;
        }
        ++logsWithEstimates;
        // The error plot's SEP curve has points to draw.
        PlotViewState view;
        view.reset(log);
        const auto series = PointStore::build(800, log, view.CentreTime, view.TimeSpan);
        EXPECT_TRUE(std::any_of(series->begin(), series->end(), [](const PlotPoint& p) {
            return plotValue(p.sample, Curve::Sep) > 0;
        }));
    }
    EXPECT_GE(logsWithEstimates, 3u);
}

TEST(RealLogs, GsaGiveSatelliteCountsOfTheirEpochs)
{
    if (!fs::is_directory(realLogFolder())) {
        GTEST_SKIP() << missingFolderMessage();
    }
    std::size_t logsWithCounts = 0;
    std::size_t logsWithGlonass = 0;
    for (const fs::path& path : realLogs()) {
        const std::vector<std::uint8_t> bytes = readBytes(path);
        const std::vector<DecodedRecord> gsas = acceptedParts(bytes, FramePart::Satellites);
        if (gsas.empty()) {
            continue;
        }
        SCOPED_TRACE(path.filename().string());
        // No epoch uses more than all the GSA sentences of the log name.
        std::int64_t gpsNamed = 0;
        std::int64_t glonassNamed = 0;
        for (const GNSSRecord& g : gsas) {
            gpsNamed += g.gpsSatellites;
            glonassNamed += g.glonassSatellites;
        }
        const GNSSLog log = analyse(bytes, nmeaFormat(), true, true);
        bool counts = false;
        bool glonass = false;
        for (const GNSSRecord& r : log.records) {
            EXPECT_GE(r.gpsSatellites, 0);
            EXPECT_GE(r.glonassSatellites, 0);
            EXPECT_LE(r.gpsSatellites, gpsNamed);
            EXPECT_LE(r.glonassSatellites, glonassNamed);
            // A GSA names at most twelve satellites and a receiver writes
            // one per system, or two for GPS and GLONASS.
            EXPECT_LE(r.gpsSatellites + r.glonassSatellites, 24) << r.time;
            counts = counts || r.gpsSatellites + r.glonassSatellites > 0;
            glonass = glonass || r.glonassSatellites > 0;
        }
        logsWithCounts += counts ? 1 : 0;
        logsWithGlonass += glonass ? 1 : 0;
    }
    EXPECT_GE(logsWithCounts, 10u);
    EXPECT_GE(logsWithGlonass, 3u);
}

// A receiver spoofed into 2019, restarted: after 00:03:45 comes 23:59:52
// of a garbage date, then the 1999 date of a GPS week rollover.
constexpr std::string_view kColdbootLog = "gpsd-gp-320fw-2019-04-07-coldboot.log";

TEST(RealLogs, ClockRestartWithADateIsNoDayLong)
{
    if (!fs::is_directory(realLogFolder())) {
        GTEST_SKIP() << missingFolderMessage();
    }
    const fs::path path = realLogFolder() / kColdbootLog;
    if (!fs::is_regular_file(path)) {
        GTEST_SKIP() << path.string() << " not found";
    }
    const std::vector<std::uint8_t> bytes = readBytes(path);
    for (const bool verifyChecksum : {true, false}) {
        const GNSSLog log = analyse(bytes, nmeaFormat(), verifyChecksum, true);
        ASSERT_GE(log.records.size(), 2u);
        // The log is minutes long; the restart's void RMCs and its ZDAs
        // without a fix carry garbage dates (1999, 2006, 2010), which move
        // no record away from the others. (Its clock restarts at 23:59:52,
        // a few minutes before the log's start.)
        EXPECT_LT(log.endTime - log.startTime, 3600.0);
        EXPECT_EQ(log.dataQuality.dayWraps, 0u);
        for (const GNSSRecord& r : log.records) {
            ASSERT_LT(std::fabs(r.time - log.startTime), 3600.0) << r.time;
        }
        EXPECT_TRUE(std::any_of(log.records.begin(), log.records.end(),
                                [](const GNSSRecord& r) { return r.has(ValidFlag::DatedTime); }));
    }
}

}  // namespace
}  // namespace gnsslog
