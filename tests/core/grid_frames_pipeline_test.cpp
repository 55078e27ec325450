// The analysis in a frame other than KKJ: only grid coordinates and what
// is measured from them change, every thread converts alike, TM35FIN
// agrees with cs2cs on every record of the samples, the local frame's
// origin is the first position, and positions off the grid are counted.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "common/FormatNumber.h"
#include "geodesy/LocalTangentPlane.h"
#include "log/formats/Formats.h"
#include "log/Gpslog.h"
#include "log/Pipeline.h"
#include "pipeline_test_support.h"

namespace {

using gnsslog::DecodeOptions;
using gnsslog::GeodeticPosition;
using gnsslog::GNSSLog;
using gnsslog::GNSSRecord;
using gnsslog::GridFrame;
using gnsslog::GridKind;
using gnsslog::Histogram;
using gnsslog::InputFormat;
using gnsslog::PipelineOptions;
namespace ValidFlag = gnsslog::ValidFlag;
using gnsslog::testing::TempFile;

namespace fs = std::filesystem;

constexpr double kMillimetre = 0.001;
const GridFrame kTm35fin{GridKind::Projected, 3067};
const GridFrame kEnu{GridKind::Enu, 0};

std::string samplePath(const char* name)
{
    return (fs::path(GNSSLOG_SOURCE_DIR) / "samples" / name).string();
}

std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

DecodeOptions inFrame(const GridFrame& frame)
{
    DecodeOptions options;
    options.frame = frame;
    return options;
}

GNSSLog analyse(const std::string& path, const InputFormat& format, const DecodeOptions& options)
{
    return GNSSLog(path.c_str(), nullptr, options, format, gnsslog::TruthMode::Averaged, 0, 0, 0);
}

struct Sample {
    const char* file;
    const InputFormat& format;
};

std::vector<Sample> samples()
{
    return {{"static-rtk.pvt1b", gnsslog::navcomFormat()},
            {"static-rtk.nmea", gnsslog::nmeaFormat()},
            {"orp.nmea", gnsslog::nmeaFormat()},
            {"grid-llk.nmea", gnsslog::nmeaFormat()}};
}

void expectSameHistogram(const Histogram& a, const Histogram& b)
{
    EXPECT_EQ(a.sampleCount(), b.sampleCount());
    ASSERT_EQ(a.bins().size(), b.bins().size());
    for (std::size_t i = 0; i < a.bins().size(); ++i) {
        EXPECT_EQ(a.bins()[i].key, b.bins()[i].key);
        EXPECT_EQ(a.bins()[i].count, b.bins()[i].count);
    }
}

TEST(GridFrameAnalysis, AFrameChangesOnlyGridCoordinatesAndWhatIsMeasuredFromThem)
{
    for (const Sample& sample : samples()) {
        for (const GridFrame& frame : {kTm35fin, kEnu}) {
            SCOPED_TRACE(std::string(sample.file) + " " + frame.name());
            const GNSSLog kkj = analyse(samplePath(sample.file), sample.format, DecodeOptions{});
            const GNSSLog other = analyse(samplePath(sample.file), sample.format, inFrame(frame));
            ASSERT_FALSE(kkj.records.empty());
            ASSERT_EQ(kkj.records.size(), other.records.size());
            bool anyConverted = false;
            for (std::size_t i = 0; i < kkj.records.size(); ++i) {
                const GNSSRecord& a = kkj.records[i];
                const GNSSRecord& b = other.records[i];
                EXPECT_EQ(a.time, b.time);
                EXPECT_EQ(a.latitude, b.latitude);
                EXPECT_EQ(a.longitude, b.longitude);
                EXPECT_EQ(a.height, b.height);
                EXPECT_EQ(a.dop, b.dop);
                EXPECT_EQ(a.errorEstimate, b.errorEstimate);
                EXPECT_EQ(a.fixType, b.fixType);
                EXPECT_EQ(a.fixChange, b.fixChange);
                EXPECT_EQ(a.satellites, b.satellites);
                EXPECT_EQ(a.validFlags, b.validFlags);
                if (a.has(ValidFlag::LatLon)) {
                    anyConverted = true;
                    // Millions of metres apart: KKJ zone 2 against TM35FIN or a plane at the log.
                    EXPECT_GT(std::fabs(a.localY - b.localY), 1e5);
                } else {
                    // The log's own grid coordinates stay as the log gave them.
                    EXPECT_EQ(a.localX, b.localX);
                    EXPECT_EQ(a.localY, b.localY);
                }
            }
            EXPECT_EQ(anyConverted, std::string(sample.file) != "grid-llk.nmea");
            EXPECT_EQ(kkj.rtkFixCount, other.rtkFixCount);
            EXPECT_EQ(kkj.fixLostCount, other.fixLostCount);
            EXPECT_EQ(kkj.avgLatitude, other.avgLatitude);
            EXPECT_EQ(kkj.avgLongitude, other.avgLongitude);
            EXPECT_EQ(kkj.avgZ, other.avgZ);
            EXPECT_EQ(kkj.maxErrorZ, other.maxErrorZ);
            EXPECT_EQ(kkj.startTime, other.startTime);
            EXPECT_EQ(kkj.endTime, other.endTime);
            expectSameHistogram(kkj.histZ, other.histZ);
            EXPECT_EQ(kkj.histX.sampleCount(), other.histX.sampleCount());
            EXPECT_EQ(kkj.hist3DFix.sampleCount(), other.hist3DFix.sampleCount());
            EXPECT_EQ(kkj.dataQuality.recordsKept, other.dataQuality.recordsKept);
            EXPECT_EQ(other.dataQuality.positionsOffGrid, 0u);
            EXPECT_EQ(other.frame, frame);
            EXPECT_EQ(kkj.frame, GridFrame{});
            // The errors of a few metres' spread agree to well under a
            // millimetre per metre whichever plane measures them (the
            // grids' scale and the KKJ datum differ by far less).
            EXPECT_NEAR(std::hypot(kkj.maxErrorX, kkj.maxErrorY),
                        std::hypot(other.maxErrorX, other.maxErrorY),
                        2e-3 * std::hypot(kkj.maxErrorX, kkj.maxErrorY) + kMillimetre * 10);
        }
    }
}

// cs2cs of the installed PROJ (Debian proj-bin) on every record's
// position: "cs2cs -d 6 EPSG:4326 EPSG:3067" reads latitude longitude and
// writes easting northing.
TEST(GridFrameAnalysis, Tm35finAgreesWithCs2csOnEveryRecordOfTheSamples)
{
    if (std::system("command -v cs2cs > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "cs2cs (Debian proj-bin) is not installed";
    }
    for (const Sample& sample : samples()) {
        SCOPED_TRACE(sample.file);
        const GNSSLog log = analyse(samplePath(sample.file), sample.format, inFrame(kTm35fin));
        std::string positions;
        std::vector<const GNSSRecord*> converted;
        for (const GNSSRecord& r : log.records) {
            if (r.has(ValidFlag::LatLon)) {
                positions += gnsslog::formatFixed(r.latitude, 12) + " " +
                             gnsslog::formatFixed(r.longitude, 12) + "\n";
                converted.push_back(&r);
            }
        }
        if (converted.empty()) {
            continue;
        }
        const TempFile in(positions, "cs2cs-in");
        const TempFile out("", "cs2cs-out");
        const std::string command = "cs2cs -d 6 EPSG:4326 EPSG:3067 < '" + in.path() + "' > '" +
                                    out.path() + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        std::istringstream lines(readBytes(out.path()));
        std::size_t n = 0;
        double easting = 0;
        double northing = 0;
        double height = 0;
        while (lines >> easting >> northing >> height) {
            ASSERT_LT(n, converted.size());
            ASSERT_TRUE(converted[n]->has(ValidFlag::Grid));
            EXPECT_NEAR(converted[n]->localX, northing, kMillimetre) << "record " << n;
            EXPECT_NEAR(converted[n]->localY, easting, kMillimetre) << "record " << n;
            ++n;
        }
        EXPECT_EQ(n, converted.size());
    }
}

TEST(GridFrameAnalysis, EveryDecodingThreadConvertsAlike)
{
    // The reading thread decodes whenever one batch waits (backlog 1) and
    // the worker the rest, each with its own converter; the result is the
    // one-thread analysis's, bit for bit.
    const std::string bytes = readBytes(samplePath("static-rtk.nmea"));
    std::string log;
    for (int i = 0; i < 20; ++i) {
        log += bytes;
    }
    for (const GridFrame& frame : {kTm35fin, kEnu}) {
        SCOPED_TRACE(frame.name());
        PipelineOptions oneThread;
        oneThread.decodeWorker = false;
        PipelineOptions twoThreads;
        twoThreads.workerMinFileSize = 0;
        twoThreads.batchBytes = 4096;
        twoThreads.backlogToDecodeHere = 1;
        GNSSLog a(gnsslog::TruthMode::Averaged, 0, 0, 0);
        GNSSLog b(gnsslog::TruthMode::Averaged, 0, 0, 0);
        const auto* data = reinterpret_cast<const std::uint8_t*>(log.data());
        gnsslog::runPipelineOnBytes(a, data, log.size(), nullptr, inFrame(frame),
                                    gnsslog::nmeaFormat(), oneThread);
        gnsslog::runPipelineOnBytes(b, data, log.size(), nullptr, inFrame(frame),
                                    gnsslog::nmeaFormat(), twoThreads);
        ASSERT_EQ(a.records.size(), b.records.size());
        for (std::size_t i = 0; i < a.records.size(); ++i) {
            ASSERT_EQ(a.records[i].localX, b.records[i].localX) << i;
            ASSERT_EQ(a.records[i].localY, b.records[i].localY) << i;
            ASSERT_EQ(a.records[i].validFlags, b.records[i].validFlags) << i;
        }
        EXPECT_EQ(a.avgX, b.avgX);
        EXPECT_EQ(a.maxErrorY, b.maxErrorY);
    }
}

TEST(GridFrameAnalysis, TheLocalOriginIsTheFirstPositionUnlessOneIsGiven)
{
    for (const Sample& sample : samples()) {
        if (std::string(sample.file) == "grid-llk.nmea") {
            continue;
        }
        SCOPED_TRACE(sample.file);
        const GNSSLog log = analyse(samplePath(sample.file), sample.format, inFrame(kEnu));
        const GNSSRecord* first = nullptr;
        for (const GNSSRecord& r : log.records) {
            if (r.has(ValidFlag::LatLon) && r.fixType != gnsslog::FixType::NoPosition) {
                first = &r;
                break;
            }
        }
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(log.frameOrigin.latitude, first->latitude);
        EXPECT_EQ(log.frameOrigin.longitude, first->longitude);
        EXPECT_EQ(first->localX, 0.0);
        EXPECT_EQ(first->localY, 0.0);
        // A static receiver: every position within a few hundred metres.
        for (const GNSSRecord& r : log.records) {
            if (r.has(ValidFlag::Grid)) {
                ASSERT_LT(std::hypot(r.localX, r.localY), 500.0);
            }
        }
    }
    // A solution without a position, zeros for coordinates, is no origin.
    const std::string noPosition =
        gnsslog::testing::nmeaSentence("GPGGA,120000.00,0000.0000,N,00000.0000,E,0,00,99.9,0.0,M,0.0,M,,");
    const std::string position =
        gnsslog::testing::nmeaSentence("GPGGA,120001.00,6012.3000,N,02454.0000,E,1,08,1.0,45.0,M,17.5,M,,");
    const TempFile file(noPosition + position + position);
    const GNSSLog fromFile = analyse(file.path(), gnsslog::nmeaFormat(), inFrame(kEnu));
    ASSERT_EQ(fromFile.records.size(), 3u);
    EXPECT_NEAR(fromFile.frameOrigin.latitude, 60.205, 1e-12);
    EXPECT_NEAR(fromFile.frameOrigin.longitude, 24.9, 1e-12);
    EXPECT_EQ(fromFile.frameOrigin.height, fromFile.records[1].height);
    EXPECT_EQ(fromFile.records[1].localX, 0.0);
    EXPECT_EQ(fromFile.records[1].localY, 0.0);

    // A given origin is used as it is.
    DecodeOptions options = inFrame(kEnu);
    options.enuOrigin = GeodeticPosition{60.2, 24.9, 40.0};
    const GNSSLog log = analyse(samplePath("static-rtk.nmea"), gnsslog::nmeaFormat(), options);
    EXPECT_EQ(log.frameOrigin.latitude, 60.2);
    EXPECT_EQ(log.frameOrigin.longitude, 24.9);
    // The samples' receiver sits some 570 m north and 68 m east of that
    // origin; the averaged truth is the plane position of the averaged
    // latitude and longitude (to far below a millimetre for a spread of
    // metres).
    const gnsslog::LocalTangentPlane plane(*options.enuOrigin);
    double north = 0;
    double east = 0;
    plane.toNorthEast(log.avgLatitude, log.avgLongitude, north, east);
    EXPECT_GT(north, 500.0);
    EXPECT_GT(east, 50.0);
    EXPECT_NEAR(log.avgX, north, kMillimetre);
    EXPECT_NEAR(log.avgY, east, kMillimetre);
}

TEST(GridFrameAnalysis, PositionsOffTheGridHaveNoGridCoordinatesAndAreCounted)
{
    // Two ORP solutions, the second with a latitude beyond the pole that
    // PROJ cannot transform (checksums are not verified here).
    const std::string good =
        "$PNORP,2400,1,0,1,235518.00,0,0,1.2955,1.5539,3.0442,1.05,12,4,60.2051294308,"
        "24.9012148359,46.1129,0001*70\r\n";
    const std::string bad =
        "$PNORP,2400,1,0,1,235519.00,0,0,1.2955,1.5539,3.0442,1.05,12,4,95.2051294308,"
        "24.9012148359,46.1129,0001*00\r\n";
    const TempFile file(good + bad);
    const DecodeOptions options = inFrame(kTm35fin);
    const GNSSLog log = analyse(file.path(), gnsslog::nmeaFormat().ignoringChecksums(), options);
    ASSERT_EQ(log.records.size(), 2u);
    EXPECT_TRUE(log.records[0].has(ValidFlag::Grid));
    EXPECT_FALSE(log.records[1].has(ValidFlag::Grid));
    EXPECT_EQ(log.records[1].localX, 0.0);
    EXPECT_EQ(log.records[1].localY, 0.0);
    EXPECT_EQ(log.dataQuality.positionsOffGrid, 1u);
    ASSERT_FALSE(log.dataQuality.warnings.empty());
    EXPECT_EQ(log.dataQuality.warnings.back(),
              "1 position lies outside the grid and has no grid coordinates");

    // The same log in KKJ counts nothing: the built-in conversion places
    // every position somewhere.
    EXPECT_EQ(analyse(file.path(), gnsslog::nmeaFormat().ignoringChecksums(), DecodeOptions{})
                  .dataQuality.positionsOffGrid,
              0u);
}

}  // namespace
