// The format registry holds together what the program knows of each
// format: every registered format is found by its name, offers the open
// dialog well-formed patterns, has fuzz seeds and a sample-generator
// writer whose logs detection names as that format.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>

#include "log/formats/FormatDetection.h"
#include "log/formats/Formats.h"
#include "tools/samplegen/SampleWriters.h"

namespace gnsslog {
namespace {

std::string formatsListed()
{
    std::string names;
    for (const FormatRegistration& registration : formatRegistrations()) {
        names += std::string(names.empty() ? "" : ", ") + std::string(registration.format->name());
    }
    return names;
}

TEST(FormatRegistry, EveryRegisteredFormatIsFoundByItsOwnNameAndCaption)
{
    SCOPED_TRACE("registered: " + formatsListed());
    ASSERT_FALSE(formatRegistrations().empty());
    ASSERT_EQ(inputFormats().size(), formatRegistrations().size());
    std::set<std::string_view> names;
    std::set<std::string_view> captions;
    for (std::size_t i = 0; i < formatRegistrations().size(); ++i) {
        const FormatRegistration& registration = formatRegistrations()[i];
        const InputFormat& format = *registration.format;
        SCOPED_TRACE(std::string(format.name()));
        EXPECT_EQ(inputFormats()[i], &format) << "the same order in both lists";
        EXPECT_EQ(findInputFormat(format.name()), &format);
        EXPECT_EQ(findFormatRegistration(format), &registration);
        EXPECT_TRUE(names.insert(format.name()).second) << "names are unique";
        EXPECT_TRUE(captions.insert(format.caption()).second) << "captions are unique";
        EXPECT_FALSE(format.caption().empty());
        EXPECT_GT(format.minimumRecordBytes(), 0u);
    }
    EXPECT_EQ(findInputFormat("NMEA"), nullptr) << "names are matched exactly";
    EXPECT_EQ(findInputFormat(""), nullptr);
    EXPECT_EQ(findFormatRegistration(fallbackFormat())->format, &navcomFormat());
}

// The names scripts pass to --format, and the format each reads.
TEST(FormatRegistry, TheChecksumSwitchIsTheFormatsOwn)
{
    // A GGA whose checksum is wrong (*00; *47 is right).
    const std::string sentence =
        "$GPGGA,123519.00,4807.038,N,01131.000,E,4,08,0.9,545.4,M,46.9,M,1.2,0000*00";
    const auto* frame = reinterpret_cast<const std::uint8_t*>(sentence.c_str());
    const auto length = static_cast<std::int32_t>(sentence.size());
    DecodedRecord checked;
    EXPECT_EQ(nmeaFormat().decodeFrame(checked, frame, length, DecodeOptions{}),
              FrameVerdict::ChecksumFailed);
    const InputFormat& lenient = withChecksumCheck(nmeaFormat(), false);
    EXPECT_NE(&lenient, &nmeaFormat());
    EXPECT_EQ(lenient.name(), nmeaFormat().name());
    EXPECT_EQ(lenient.caption(), nmeaFormat().caption());
    DecodedRecord unchecked;
    ASSERT_EQ(lenient.decodeFrame(unchecked, frame, length, DecodeOptions{}), FrameVerdict::Record);
    EXPECT_EQ(unchecked.fixType, FixType::RtkFixed);
    EXPECT_EQ(&withChecksumCheck(nmeaFormat(), true), &nmeaFormat());
    EXPECT_EQ(&lenient.ignoringChecksums(), &lenient);
    // The formats whose framers check their own checksums read as they are.
    for (const InputFormat* format : inputFormats()) {
        if (format != &nmeaFormat()) {
            EXPECT_EQ(&format->ignoringChecksums(), format) << format->name();
        }
    }
}

TEST(FormatRegistry, TheCommandLineNamesStay)
{
    EXPECT_EQ(findInputFormat("navcom"), &navcomFormat());
    EXPECT_EQ(findInputFormat("nmea"), &nmeaFormat());
    EXPECT_EQ(findInputFormat("ubx"), &ubxFormat());
    EXPECT_EQ(findInputFormat("pos"), &posFormat());
    EXPECT_EQ(findInputFormat("sbf"), &sbfFormat());
    EXPECT_EQ(findInputFormat("novatel"), &novatelFormat());
}

// "*.ext" words separated by single spaces, as the open dialog reads them.
TEST(FormatRegistry, FileExtensionsAreStarDotPatterns)
{
    for (const FormatRegistration& registration : formatRegistrations()) {
        const std::string patterns(registration.fileExtensions);
        SCOPED_TRACE(std::string(registration.format->name()) + ": \"" + patterns + "\"");
        ASSERT_FALSE(patterns.empty());
        std::size_t start = 0;
        while (start <= patterns.size()) {
            const std::size_t end = std::min(patterns.find(' ', start), patterns.size());
            const std::string word = patterns.substr(start, end - start);
            EXPECT_GE(word.size(), 3u) << "'" << word << "'";
            EXPECT_EQ(word.rfind("*.", 0), 0u) << "'" << word << "'";
            EXPECT_EQ(word.find_first_of("*", 1), std::string::npos) << "'" << word << "'";
            start = end + 1;
        }
    }
}

TEST(FormatRegistry, EveryFormatHasAFuzzTargetWithSeeds)
{
    const std::filesystem::path fuzz = std::filesystem::path(GNSSLOG_SOURCE_DIR) / "fuzz";
    for (const FormatRegistration& registration : formatRegistrations()) {
        const std::string seeds(registration.fuzzSeeds);
        SCOPED_TRACE(std::string(registration.format->name()) + ": " + seeds);
        EXPECT_TRUE(std::filesystem::exists(fuzz / (seeds + ".cpp")));
        const std::filesystem::path folder = fuzz / "corpus" / seeds;
        ASSERT_TRUE(std::filesystem::is_directory(folder));
        EXPECT_FALSE(std::filesystem::is_empty(folder));
    }
}

// Both ways: no format without a writer, no writer for an unknown format;
// and each writer's log is detected as the format it is written for.
TEST(FormatRegistry, SampleWritersCoverTheRegisteredFormatsAndAreDetectedAsThem)
{
    for (const FormatRegistration& registration : formatRegistrations()) {
        SCOPED_TRACE(std::string(registration.format->name()));
        EXPECT_NE(findSampleWriter(registration.format->name()), nullptr);
    }
    for (const SampleWriter& writer : sampleWriters()) {
        SCOPED_TRACE(std::string(writer.optionName));
        const InputFormat* format = findInputFormat(writer.readAs);
        ASSERT_NE(format, nullptr);
        GeneratorOptions options;
        options.format = writer.format;
        options.targetBytes = 20000;
        const std::string log = generateLog(options);
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(detectInputFormat(reinterpret_cast<const std::uint8_t*>(log.data()), log.size()),
                  format);
    }
}

}  // namespace
}  // namespace gnsslog
