// Every input that ever made a fuzz target fail (fuzz/regressions/<target>)
// and every seed (fuzz/corpus/<target>) goes through the target's own body
// again, with its checks; plus the decoder faults the fuzzers found, as
// plain cases.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "fuzz/FuzzTargets.h"
#include "log/NmeaDecoder.h"

namespace gnsslog {
namespace {

namespace fs = std::filesystem;

using Target = std::function<void(const std::uint8_t*, std::size_t)>;

const std::map<std::string, Target>& targets()
{
    static const std::map<std::string, Target> all = {
        {"nmea_framer_fuzz", fuzz::fuzzNmeaFramer},
        {"navcom_framer_fuzz", fuzz::fuzzNavcomFramer},
        {"pvt1b_fuzz", fuzz::fuzzPvt1b},
        {"nmea_decoder_fuzz", fuzz::fuzzNmeaDecoder},
        {"analysis_fuzz", fuzz::fuzzAnalysis},
    };
    return all;
}

[[noreturn]] void throwFailure(const char* what)
{
    throw std::runtime_error(what);
}

// Installs the throwing handler for one test.
class ThrowingChecks {
public:
    ThrowingChecks() : previous_(fuzz::failHandler()) { fuzz::failHandler() = throwFailure; }
    ThrowingChecks(const ThrowingChecks&) = delete;
    ThrowingChecks& operator=(const ThrowingChecks&) = delete;
    ~ThrowingChecks() { fuzz::failHandler() = previous_; }

private:
    fuzz::FailHandler previous_;
};

std::vector<std::uint8_t> readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Replays every file below root/<target>/; returns how many ran.
std::size_t replayTree(const fs::path& root)
{
    const ThrowingChecks checks;
    std::size_t replayed = 0;
    if (!fs::is_directory(root)) {
        return 0;
    }
    for (const fs::directory_entry& dir : fs::directory_iterator(root)) {
        if (!dir.is_directory()) {
            continue;
        }
        const std::string name = dir.path().filename().string();
        const auto target = targets().find(name);
        if (target == targets().end()) {
            ADD_FAILURE() << "inputs for an unknown fuzz target: " << dir.path();
            continue;
        }
        for (const fs::directory_entry& file : fs::directory_iterator(dir.path())) {
            if (!file.is_regular_file()) {
                continue;
            }
            const std::vector<std::uint8_t> input = readFile(file.path());
            try {
                target->second(input.data(), input.size());
            } catch (const std::exception& failure) {
                ADD_FAILURE() << file.path() << ": " << failure.what();
            }
            ++replayed;
        }
    }
    return replayed;
}

TEST(RegressionCorpus, EveryInputThatOnceFailedPassesItsTargetsChecks)
{
    const std::size_t replayed = replayTree(fs::path(GNSSLOG_SOURCE_DIR) / "fuzz" / "regressions");
    // The committed regressions exist; zero would mean a wrong path.
    EXPECT_GE(replayed, 3u);
}

TEST(RegressionCorpus, EverySeedPassesItsTargetsChecks)
{
    const std::size_t replayed = replayTree(fs::path(GNSSLOG_SOURCE_DIR) / "fuzz" / "corpus");
    EXPECT_GE(replayed, 50u);
}

TEST(RegressionCorpus, ChecksCatchABrokenProperty)
{
    // The replay is only worth something if a check can fail in a test.
    const ThrowingChecks checks;
    GNSSRecord record;
    record.height = INFINITY;
    EXPECT_THROW(GNSSLOG_FUZZ_CHECK(fuzz::allFinite(record)), std::runtime_error);
}

GNSSRecord decode(std::string sentence, bool toKKJ)
{
    GNSSRecord record;
    decodeNmeaSentence(record, sentence.data(), toKKJ);
    return record;
}

// Sums and squares of finite fields overflowed to infinity and reached the
// averages, histograms and plot; such results now read as 0.
TEST(NmeaOverflow, InfiniteResultsOfFiniteFieldsReadZero)
{
    const GNSSRecord gga =
        decode("$GPGGA,123519.00,4807.038,N,01131.000,E,4,08,0.9,1e308,M,1e308,M,,*47", false);
    EXPECT_EQ(gga.valid, 1);
    EXPECT_EQ(gga.height, 0);
    EXPECT_NEAR(gga.latitude, 48.1173, 1e-9);

    // A finite sum keeps its value, however large.
    const GNSSRecord big =
        decode("$GPGGA,123519.00,4807.038,N,01131.000,E,4,08,0.9,1e308,M,-1e307,M,,*47", false);
    EXPECT_EQ(big.height, 1e308 + -1e307);
    const GNSSRecord plain =
        decode("$GPGGA,123519.00,4807.038,N,01131.000,E,4,08,0.9,545.4,M,46.9,M,,*47", false);
    EXPECT_DOUBLE_EQ(plain.height, 592.3);

    const GNSSRecord orp = decode(
        "$PNORP,,,0,1,123519.00,,,1e200,1e200,1e200,1.5,9,7,60.0,24.0,100.5,*00", false);
    EXPECT_EQ(orp.valid, 1);
    EXPECT_EQ(orp.errorEstimate, 0);
    EXPECT_TRUE(orp.has(ValidFlag::ErrorEstimate));
    EXPECT_EQ(orp.dop, 1.5);
    const GNSSRecord orpSmall = decode(
        "$PNORP,,,0,1,123519.00,,,0.01,0.02,0.03,1.5,9,7,60.0,24.0,100.5,*00", false);
    EXPECT_NEAR(orpSmall.errorEstimate, 0.0374166, 1e-7);
}

TEST(NmeaOverflow, GridOfAnAbsurdPositionIsFinite)
{
    // Minutes of 1e307 make a latitude of some 1.7e305 degrees.
    for (const char* sentence :
         {"$GPGGA,123519.00,481e307,N,01131.000,E,4,08,0.9,545.4,M,46.9,M,,*47",
          "$GPGGA,123519.00,4807.038,N,0111e307,E,4,08,0.9,545.4,M,46.9,M,,*47",
          "$PNORP,,,0,1,123519.00,,,1,1,1,1.5,9,7,90.0,24.0,100.5,*00",
          "$PNORP,,,0,1,123519.00,,,1,1,1,1.5,9,7,60.0,114.0,100.5,*00",
          "$PNORP,,,0,1,123519.00,,,1,1,1,1.5,9,7,1e308,-1e308,100.5,*00"}) {
        SCOPED_TRACE(sentence);
        const GNSSRecord record = decode(sentence, true);
        EXPECT_EQ(record.valid, 1);
        EXPECT_TRUE(record.has(ValidFlag::Grid));
        EXPECT_TRUE(fuzz::allFinite(record));
    }
}

}  // namespace
}  // namespace gnsslog
