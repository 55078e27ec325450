// The analysis pipeline end to end: record handling, day wrap, fix-change
// markers, averages, truth modes, errors and histograms, unopenable files,
// and the threaded grid conversion against the plain sequential run.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>
#include <filesystem>
#include <stdexcept>

#include <gtest/gtest.h>

#include "log/formats/Formats.h"
#include "log/Gpslog.h"
#include "log/Pipeline.h"
#include "tests/core/pipeline_test_support.h"
#include "tests/support/Comparisons.h"
#include "tools/samplegen/LogGenerator.h"
#include "tools/samplegen/NmeaWriter.h"

namespace gnsslog {
namespace {

using testing::kLlkFixed;
using testing::kLlkFloat;
using testing::kLlkSingle;
using testing::llk;
using testing::TempFile;

GNSSLog analyseNmea(const std::string& content, std::uint8_t truthMode = TruthMode::Averaged,
                    double manualX = 0, double manualY = 0, double manualZ = 0,
                    bool toKKJ = false)
{
    GNSSLog analysis(truthMode, manualX, manualY, manualZ);
    runPipelineOnBytes(analysis, reinterpret_cast<const std::uint8_t*>(content.data()),
                       content.size(), nullptr, DecodeOptions{toKKJ}, nmeaFormat(),
                       PipelineOptions{});
    return analysis;
}

// An RTK-X solution (reference station 0026) with a geodetic position,
// which the grid conversion turns into KKJ coordinates near Helsinki.
std::string rtkxGga(double time)
{
    GgaFields f;
    f.centiseconds = static_cast<std::int64_t>(time * 100);
    f.latitude = 60.2;
    f.longitude = 24.9;
    f.quality = 4;
    f.satellites = 9;
    f.hdop = 1.0;
    f.heightMetres = 40;
    f.geoidSeparation = 17;
    f.station = "0026";
    return ggaSentence(f);
}

TEST(PipelineRecords, FileSizeNotAMultipleOf1024FeedsOnlyTheBytesRead)
{
    // Sentences across both block boundaries and one ending in the last,
    // partial block: every one of them must be found, and nothing more.
    std::string log;
    int sentences = 0;
    while (log.size() < 2600) {
        log += llk(100 + sentences, 1000.25, 2000.5, 10.0, kLlkFixed);
        ++sentences;
    }
    ASSERT_NE(log.size() % 1024, 0u);
    const GNSSLog analysis = analyseNmea(log);
    ASSERT_EQ(analysis.records.size(), static_cast<std::size_t>(sentences));
    EXPECT_DOUBLE_EQ(analysis.records.back().time, 100.0 + sentences - 1);
    EXPECT_TRUE(analysis.openError.empty());

    // A sentence cut off by the end of the file is not a record.
    const std::string cut = log + llk(5000, 1, 2, 3, kLlkFixed).substr(0, 40);
    EXPECT_EQ(analyseNmea(cut).records.size(), static_cast<std::size_t>(sentences));
}

TEST(PipelineRecords, InvalidFramesAndOtherSentencesLeaveNoTrace)
{
    const std::string log = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n" +
                            llk(10, 1000.25, 2000.5, 10, kLlkFixed) +
                            testing::nmeaSentence("GPLLK,12,010126,1,M,2,M,3,12,1.5,4,M") +  // time too short
                            llk(11, 1000.75, 2000.5, 10, kLlkFixed);
    const GNSSLog analysis = analyseNmea(log);
    ASSERT_EQ(analysis.records.size(), 2u);
    EXPECT_EQ(analysis.rtkFixCount, 2);
    EXPECT_EQ(analysis.startTime, 10.0);
}

TEST(PipelineAverages, TwoFixedRecordsAverageIsTheSecondAndFirstFixTheFirst)
{
    const GNSSLog analysis = analyseNmea(llk(10, 1000.25, 2000.5, 10.25, kLlkFloat) +
                                         llk(11, 1000.25, 2000.5, 10.25, kLlkFixed) +
                                         llk(12, 1003.75, 2005.0, 12.5, kLlkFixed));
    EXPECT_EQ(analysis.rtkFixCount, 2);
    // n - 1 divisor: a + (b - a) / 1.
    EXPECT_EQ(analysis.avgX, 1003.75);
    EXPECT_EQ(analysis.avgY, 2005.0);
    EXPECT_EQ(analysis.avgZ, 12.5);
    EXPECT_EQ(analysis.firstFixX, 1000.25);
    EXPECT_EQ(analysis.firstFixY, 2000.5);
    EXPECT_EQ(analysis.firstFixZ, 10.25);
    // LLK carries no latitude or longitude.
    EXPECT_EQ(analysis.avgLatitude, 0);
    EXPECT_EQ(analysis.avgLongitude, 0);
}

TEST(PipelineAverages, ManyFixedRecordsAverageTheValuesAfterTheFirst)
{
    const GNSSLog analysis = analyseNmea(llk(10, 1000.0, 2000.0, 10.0, kLlkFixed) +
                                         llk(11, 1001.0, 2000.5, 11.0, kLlkFixed) +
                                         llk(12, 1002.0, 2001.5, 13.0, kLlkFixed) +
                                         llk(13, 1009.0, 2009.0, 99.0, kLlkFloat));
    EXPECT_EQ(analysis.avgX, 1000.0 + (1.0 + 2.0) / 2);
    EXPECT_EQ(analysis.avgY, 2000.0 + (0.5 + 1.5) / 2);
    EXPECT_EQ(analysis.avgZ, 10.0 + (1.0 + 3.0) / 2);
}

TEST(PipelineAverages, OneFixedRecordIsItsOwnAverage)
{
    const GNSSLog analysis = analyseNmea(llk(10, 1000.25, 2000.5, 10.25, kLlkFixed));
    EXPECT_EQ(analysis.avgX, 1000.25);
    EXPECT_EQ(analysis.firstFixX, 1000.25);
    EXPECT_EQ(analysis.avgZ, 10.25);
    EXPECT_EQ(analysis.maxErrorX, 0);
}

TEST(PipelineAverages, NoFixedRecordsLeaveEverythingZeroAndTheFixHistogramsEmpty)
{
    const GNSSLog analysis =
        analyseNmea(llk(10, 1000.25, 2000.5, 10, kLlkFloat) + llk(11, 1001, 2001, 11, kLlkSingle));
    ASSERT_EQ(analysis.records.size(), 2u);
    EXPECT_EQ(analysis.rtkFixCount, 0);
    EXPECT_EQ(analysis.fixLostCount, 0);
    for (double v : {analysis.avgX, analysis.avgY, analysis.avgZ, analysis.firstFixX,
                     analysis.firstFixY, analysis.firstFixZ, analysis.maxErrorX,
                     analysis.maxErrorY, analysis.maxErrorZ}) {
        EXPECT_EQ(v, 0);
    }
    EXPECT_EQ(analysis.histX.sampleCount(), 0);
    EXPECT_EQ(analysis.histY.sampleCount(), 0);
    EXPECT_EQ(analysis.histZ.sampleCount(), 0);
    EXPECT_EQ(analysis.hist3DFix.sampleCount(), 0);
}

TEST(PipelineDayWrap, MidnightCrossingAddsADayToEveryLaterRecord)
{
    const GNSSLog analysis = analyseNmea(llk(86399.0, 1, 2, 3, kLlkFixed) +
                                         llk(0.2, 1, 2, 3, kLlkFixed) +
                                         llk(1.0, 1, 2, 3, kLlkFixed));
    ASSERT_EQ(analysis.records.size(), 3u);
    EXPECT_DOUBLE_EQ(analysis.records[1].time, 86400.2);
    EXPECT_DOUBLE_EQ(analysis.records[2].time, 86401.0);
    EXPECT_EQ(analysis.startTime, 86399.0);
    EXPECT_DOUBLE_EQ(analysis.endTime, 86401.0);
}

TEST(PipelineDayWrap, StepBackOfAtMost100SecondsIsNotAWrap)
{
    const GNSSLog small = analyseNmea(llk(1000, 1, 2, 3, kLlkFixed) + llk(900, 1, 2, 3, kLlkFixed));
    ASSERT_EQ(small.records.size(), 2u);
    EXPECT_EQ(small.records[1].time, 900.0);
    EXPECT_EQ(small.endTime, 1000.0);

    const GNSSLog large =
        analyseNmea(llk(1000, 1, 2, 3, kLlkFixed) + llk(899.5, 1, 2, 3, kLlkFixed) +
                    llk(10, 1, 2, 3, kLlkFixed));
    ASSERT_EQ(large.records.size(), 3u);
    EXPECT_EQ(large.records[1].time, 899.5 + 86400);
    // A second large step back is a second day.
    EXPECT_EQ(large.records[2].time, 10.0 + 2 * 86400);
    EXPECT_EQ(large.endTime, 10.0 + 2 * 86400);
}

TEST(PipelineFixChange, FirstRecordFixedIsAGain)
{
    const GNSSLog analysis = analyseNmea(llk(10, 1, 2, 3, kLlkFixed) + llk(11, 1, 2, 3, kLlkFixed));
    EXPECT_EQ(analysis.records[0].fixChange, FixChange::Gained);
    EXPECT_EQ(analysis.records[1].fixChange, FixChange::None);
}

TEST(PipelineFixChange, FixedFloatSingleFixedRun)
{
    const GNSSLog analysis =
        analyseNmea(llk(10, 1, 2, 3, kLlkFloat) + llk(11, 1, 2, 3, kLlkFixed) +
                    llk(12, 1, 2, 3, kLlkFloat) + llk(13, 1, 2, 3, kLlkSingle) +
                    llk(14, 1, 2, 3, kLlkFixed));
    ASSERT_EQ(analysis.records.size(), 5u);
    const std::uint8_t expected[] = {FixChange::None, FixChange::Gained, FixChange::Lost,
                                     FixChange::None, FixChange::Gained};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(analysis.records[i].fixChange, expected[i]) << "record " << i;
    }
    EXPECT_EQ(analysis.fixLostCount, 1);
    EXPECT_EQ(analysis.rtkFixCount, 2);
}

TEST(PipelineErrors, RtkXGoesOnlyInItsHistogramAndCountsAsAFixLoss)
{
    const GNSSLog analysis = analyseNmea(llk(10, 1000.25, 2000.5, 10, kLlkFixed) + rtkxGga(11) +
                                             llk(12, 1000.75, 2001.5, 11, kLlkFixed),
                                         TruthMode::Averaged, 0, 0, 0, true);
    ASSERT_EQ(analysis.records.size(), 3u);
    const GNSSRecord& rtkx = analysis.records[1];
    ASSERT_EQ(rtkx.fixType, FixType::RtkX);
    ASSERT_TRUE(rtkx.has(ValidFlag::Grid | ValidFlag::Height));
    EXPECT_EQ(rtkx.fixChange, FixChange::Lost);
    EXPECT_EQ(analysis.records[2].fixChange, FixChange::Gained);
    EXPECT_EQ(analysis.fixLostCount, 1);
    EXPECT_EQ(analysis.rtkFixCount, 2);
    EXPECT_EQ(analysis.avgX, 1000.75);  // the RTK-X grid position (~6.7e6 m) is not averaged
    EXPECT_EQ(analysis.avgZ, 11.0);
    EXPECT_EQ(analysis.maxErrorX, 0.5);
    EXPECT_EQ(analysis.maxErrorY, 1.0);
    EXPECT_EQ(analysis.maxErrorZ, 1.0);
    EXPECT_EQ(analysis.hist3DRtkx.sampleCount(), 1);
    EXPECT_EQ(analysis.hist3DFix.sampleCount(), 2);
    EXPECT_EQ(analysis.histX.sampleCount(), 2);
    EXPECT_EQ(analysis.histZ.sampleCount(), 2);
}

TEST(PipelineErrors, HistogramsHoldRecordMinusTruthSorted)
{
    // Manual truth (1000, 2000, 10); X errors +0.255, +0.505, -0.145 m, the
    // float record is not measured. Values sit mid-centimetre so rounding
    // of the differences cannot move a key.
    const GNSSLog analysis = analyseNmea(
        llk(10, 1000.255, 2000.0, 10.0, kLlkFixed) + llk(11, 1000.505, 2000.0, 10.0, kLlkFixed) +
            llk(12, 999.855, 2000.0, 10.0, kLlkFixed) + llk(13, 1005.0, 2000.0, 50.0, kLlkFloat),
        TruthMode::Manual, 1000.0, 2000.0, 10.0);
    EXPECT_NEAR(analysis.maxErrorX, 0.505, 1e-9);
    EXPECT_EQ(analysis.maxErrorY, 0);
    EXPECT_EQ(analysis.maxErrorZ, 0);

    const auto keys = [](const Histogram& h) {
        std::vector<std::int32_t> k;
        for (const ErrorRecord& bin : h.bins()) {
            k.push_back(bin.key);
        }
        return k;
    };
    // Keys first appear as 25, 50, -14 and come out ascending.
    EXPECT_EQ(keys(analysis.histX), (std::vector<std::int32_t>{-14, 25, 50}));
    EXPECT_EQ(keys(analysis.histY), (std::vector<std::int32_t>{0}));
    EXPECT_EQ(analysis.histY.bins()[0].count, 3);
    EXPECT_EQ(analysis.histZ.sampleCount(), 3);
    // With no Y or Z error the 3D error is |dx|.
    EXPECT_EQ(keys(analysis.hist3DFix), (std::vector<std::int32_t>{14, 25, 50}));
    EXPECT_EQ(analysis.hist3DRtkx.sampleCount(), 0);
}

TEST(PipelineTruth, TruthModesSelectTheCoordinatesTheErrorsAreMeasuredFrom)
{
    const std::string log = llk(10, 100.0, 200.0, 10.0, kLlkFixed) +
                            llk(11, 100.5, 200.0, 10.0, kLlkFixed) +
                            llk(12, 101.0, 200.0, 10.0, kLlkFixed);
    struct Case {
        const char* legend;
        std::uint8_t mode;
        double truthX;
        double maxErrorX;
    } const cases[] = {
        {"averaged: 100 + (0.5 + 1.0) / 2", TruthMode::Averaged, 100.75, 0.75},
        {"first fix", TruthMode::FirstFix, 100.0, 1.0},
        {"manual", TruthMode::Manual, 98.0, 3.0},
        {"unknown mode measures from 0", 7, 0.0, 101.0},
    };
    for (const Case& c : cases) {
        const GNSSLog analysis = analyseNmea(log, c.mode, 98.0, 199.0, 9.0);
        EXPECT_EQ(analysis.truthX(), c.truthX) << c.legend;
        EXPECT_EQ(analysis.maxErrorX, c.maxErrorX) << c.legend;
        // Every truth set is kept, whatever the mode.
        EXPECT_EQ(analysis.avgX, 100.75) << c.legend;
        EXPECT_EQ(analysis.firstFixX, 100.0) << c.legend;
        EXPECT_EQ(analysis.manualX, 98.0) << c.legend;
        EXPECT_EQ(analysis.manualZ, 9.0) << c.legend;
    }
    const GNSSLog manual = analyseNmea(log, TruthMode::Manual, 98.0, 199.0, 9.0);
    EXPECT_EQ(manual.truthY(), 199.0);
    EXPECT_EQ(manual.truthZ(), 9.0);
    EXPECT_EQ(manual.maxErrorY, 1.0);
    EXPECT_EQ(manual.maxErrorZ, 1.0);
    const GNSSLog unknown = analyseNmea(log, 3, 98.0, 199.0, 9.0);
    EXPECT_EQ(unknown.truthY(), 0);
    EXPECT_EQ(unknown.truthZ(), 0);
}

TEST(PipelineFiles, UnopenableFilesExplainThemselvesAndReportNothing)
{
    testing::recordedCalls().clear();
    const std::string missing =
        (std::filesystem::temp_directory_path() / "gnsslog-no-such-file.log").string();
    const GNSSLog absent(missing.c_str(), testing::recordProgress, true, true, 0, 0, 0, 0);
    EXPECT_NE(absent.openError.find(missing), std::string::npos) << absent.openError;
    EXPECT_NE(absent.openError.find(std::strerror(ENOENT)), std::string::npos)
        << absent.openError;
    EXPECT_TRUE(absent.records.empty());
    EXPECT_EQ(absent.startTime, DBL_MAX);

    const std::string directory = std::filesystem::temp_directory_path().string();
    const GNSSLog dir(directory.c_str(), testing::recordProgress, true, true, 0, 0, 0, 0);
    EXPECT_NE(dir.openError.find(std::strerror(EISDIR)), std::string::npos) << dir.openError;
    EXPECT_TRUE(dir.records.empty());

    const GNSSLog empty("", testing::recordProgress, true, false, 0, 0, 0, 0);
    EXPECT_FALSE(empty.openError.empty());
    const GNSSLog null(nullptr, testing::recordProgress, true, false, 0, 0, 0, 0);
    EXPECT_FALSE(null.openError.empty());

    // A character device has no size and may never end.
    const GNSSLog device("/dev/zero", testing::recordProgress, true, false, 0, 0, 0, 0);
    EXPECT_FALSE(device.openError.empty());

    EXPECT_TRUE(testing::recordedCalls().empty());
}

TEST(PipelineFiles, ReadableFileKeepsOpenErrorEmpty)
{
    const TempFile file("");
    const GNSSLog analysis(file.c_str(), nullptr, true, true, 0, 0, 0, 0);
    EXPECT_TRUE(analysis.openError.empty());
    EXPECT_TRUE(analysis.records.empty());
    EXPECT_EQ(analysis.startTime, DBL_MAX);
    EXPECT_EQ(analysis.endTime, 0);
}

// --- The decoding worker against the plain sequential run.

// Every member, doubles bit for bit, naming the first difference.
void expectSameAnalysis(const GNSSLog& a, const GNSSLog& b)
{
    std::string why;
    EXPECT_TRUE(testing::sameAnalysis(a, b, &why)) << why;
}

struct RunResult {
    std::unique_ptr<GNSSLog> log;
    std::vector<testing::ProgressCall> calls;
};

RunResult run(const TempFile& file, bool navcom, bool toKKJ, std::uint8_t truthMode,
              const PipelineOptions* options)
{
    // A clock far faster than real time, so both passes report many times.
    const testing::StepClock clock(0, 7);
    testing::recordedCalls().clear();
    RunResult result;
    if (options == nullptr) {
        result.log = std::make_unique<GNSSLog>(file.c_str(), testing::recordProgress, toKKJ,
                                               navcom, truthMode, 1, 2, 3);
    } else {
        result.log = std::make_unique<GNSSLog>(truthMode, 1, 2, 3);
        runPipeline(*result.log, file.c_str(), testing::recordProgress, toKKJ, navcom, *options);
    }
    result.calls = testing::recordedCalls();
    return result;
}

void expectThreadedEqualsSequential(const GeneratorOptions& generator, std::uint8_t truthMode,
                                    bool toKKJ = true)
{
    GeneratorStats stats;
    const std::string content = generateLog(generator, &stats);
    const TempFile file(content);
    const bool navcom = generator.format == LogFormat::Navcom;

    PipelineOptions sequential;
    sequential.decodeWorker = false;
    PipelineOptions smallBatches;  // a growing record store, many batches, worker for a small file
    smallBatches.reservedRecords = 1000;
    smallBatches.batchBytes = 700;  // a few frames per batch
    smallBatches.workerMinFileSize = 0;

    PipelineOptions readerDecodes = smallBatches;  // the worker only files records
    readerDecodes.backlogToDecodeHere = 0;
    PipelineOptions workerDecodes = smallBatches;
    workerDecodes.backlogToDecodeHere = SIZE_MAX;

    const RunResult reference = run(file, navcom, toKKJ, truthMode, &sequential);
    ASSERT_GT(reference.log->records.size(), 2000u);
    // The reference itself agrees with what the generator wrote.
    EXPECT_EQ(reference.log->records.size(), stats.validRecords);
    EXPECT_EQ(static_cast<std::uint64_t>(reference.log->rtkFixCount), stats.fixedRecords);
    EXPECT_EQ(static_cast<std::uint64_t>(reference.log->fixLostCount), stats.fixLosses);
    EXPECT_EQ(reference.log->startTime, stats.startTime);
    EXPECT_EQ(reference.log->endTime, stats.endTime);
    // Only PVT1B and GGA carry RTK-X solutions, and theirs need the grid.
    if (toKKJ && (navcom || generator.nmeaSolution == NmeaSolution::Gga)) {
        EXPECT_GT(reference.log->hist3DRtkx.sampleCount(), 0);
    }
    EXPECT_GT(reference.calls.size(), 20u);

    const std::pair<const char*, const PipelineOptions*> variants[] = {
        {"small batches", &smallBatches},
        {"reader decodes every batch", &readerDecodes},
        {"worker decodes every batch", &workerDecodes},
        {"default options", nullptr}};
    for (const auto& [legend, options] : variants) {
        SCOPED_TRACE(legend);
        const RunResult threaded = run(file, navcom, toKKJ, truthMode, options);
        expectSameAnalysis(*reference.log, *threaded.log);
        EXPECT_EQ(reference.calls, threaded.calls);
    }

    SCOPED_TRACE("bytes in memory");
    const testing::StepClock clock(0, 7);
    testing::recordedCalls().clear();
    GNSSLog inMemory(truthMode, 1, 2, 3);
    runPipelineOnBytes(inMemory, reinterpret_cast<const std::uint8_t*>(content.data()),
                       content.size(), testing::recordProgress, toKKJ, navcom, PipelineOptions{});
    expectSameAnalysis(*reference.log, inMemory);
    EXPECT_EQ(reference.calls, testing::recordedCalls());
}

TEST(PipelineThreaded, NavcomEqualsSequentialRun)
{
    GeneratorOptions generator;
    generator.format = LogFormat::Navcom;
    generator.targetBytes = 1500000;  // above the worker's minimum file size
    generator.seed = 11;
    expectThreadedEqualsSequential(generator, TruthMode::Averaged);
}

TEST(PipelineThreaded, NmeaGgaEqualsSequentialRun)
{
    GeneratorOptions generator;
    generator.format = LogFormat::Nmea;
    generator.nmeaSolution = NmeaSolution::Gga;
    generator.noiseShare = 0.2;
    generator.targetBytes = 1300000;
    generator.seed = 12;
    expectThreadedEqualsSequential(generator, TruthMode::FirstFix);
}

TEST(PipelineThreaded, NmeaOrpMixOfGridAndGeodeticEqualsSequentialRun)
{
    GeneratorOptions generator;
    generator.format = LogFormat::Nmea;
    generator.nmeaSolution = NmeaSolution::Orp;
    generator.targetBytes = 1200000;
    generator.seed = 13;
    expectThreadedEqualsSequential(generator, TruthMode::Averaged);
}

TEST(PipelineThreaded, NmeaGridSentencesWithoutConversionEqualSequentialRun)
{
    GeneratorOptions generator;
    generator.format = LogFormat::Nmea;
    generator.nmeaSolution = NmeaSolution::LlkLlq;
    generator.targetBytes = 1200000;
    generator.seed = 14;
    expectThreadedEqualsSequential(generator, TruthMode::Manual, false);
}

void throwingProgress(const char* phase, std::int32_t position, std::int32_t)
{
    if (std::strcmp(phase, "Reading file") == 0 && position > 100000) {
        throw std::runtime_error("cancelled");
    }
}

TEST(PipelineThreaded, ExceptionFromTheCallbackStopsTheWorkerCleanly)
{
    GeneratorOptions generator;
    generator.targetBytes = 400000;
    const TempFile file(generateLog(generator));
    const testing::StepClock clock(0, 1000);  // every block is reported
    PipelineOptions options;
    options.batchBytes = 300;
    options.workerMinFileSize = 0;
    GNSSLog log(0, 0, 0, 0);
    EXPECT_THROW(runPipeline(log, file.c_str(), throwingProgress, true, true, options),
                 std::runtime_error);
}


// The order of the floating-point steps is fixed, and the inputs below are
// ones where another order gives a different result; each check also shows
// that the other order really differs, so it cannot pass by chance.
TEST(PipelineArithmeticOrder, AverageIsReferencePlusSummedDifferencesOverNMinusOne)
{
    const GNSSLog analysis = analyseNmea(llk(10, 0, 0, 15.4746, kLlkFixed) +
                                         llk(11, 0, 0, 54.7985, kLlkFixed) +
                                         llk(12, 0, 0, 55.8168, kLlkFixed));
    const double r = 15.4746;
    const double expected = r + ((54.7985 - r) + (55.8168 - r)) / 2;
    ASSERT_NE(expected, (54.7985 + 55.8168) / 2);
    EXPECT_EQ(analysis.avgZ, expected);
}

TEST(PipelineArithmeticOrder, ThreeDimensionalErrorSumsZThenXThenY)
{
    // Against the manual truth 0: dz = -0.100, dx = -0.250, dy = -0.020 m.
    // dz² + dx² + dy² gives 0.27 m, key 27; dx² + dy² + dz² rounds just
    // below it, key 26.
    const double dz = -0.100, dx = -0.250, dy = -0.020;
    ASSERT_EQ(histogramKey(std::sqrt(dz * dz + dx * dx + dy * dy)), 27);
    ASSERT_EQ(histogramKey(std::sqrt(dx * dx + dy * dy + dz * dz)), 26);
    const GNSSLog analysis =
        analyseNmea(llk(10, dx, dy, dz, kLlkFixed), TruthMode::Manual, 0, 0, 0);
    ASSERT_EQ(analysis.hist3DFix.bins().size(), 1u);
    EXPECT_EQ(analysis.hist3DFix.bins().front().key, 27);
}

}  // namespace
}  // namespace gnsslog
