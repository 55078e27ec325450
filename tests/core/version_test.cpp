// The version block reader: block layout, the ELF section walk, and the
// about box's two operations with the step names they report.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/VersionResource.h"
#include "tests/core/elf_test_image.h"

namespace gnsslog {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::makeElf;
using testing::put;

Bytes standardBlock(std::string_view fileVersion)
{
    return encodeVersionBlock(
        {translationEntry(0x0409, 0x04b0), stringEntry("\\StringFileInfo\\040904b0\\FileVersion", fileVersion)});
}

class ScratchDir {
public:
    ScratchDir()
    {
        static int serial = 0;
        path_ = fs::temp_directory_path() /
                ("gnsslog-version-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
        fs::create_directories(path_);
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    std::string write(const std::string& name, const Bytes& bytes) const
    {
        const fs::path file = path_ / name;
        fs::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return file.string();
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

struct Steps {
    std::vector<std::string> names;
    VersionErrorSink sink()
    {
        return [this](const char* step) { names.emplace_back(step); };
    }
};

std::string valueText(const Bytes& block, std::string_view key)
{
    const auto value = queryVersionValue(block, key);
    return value ? std::string(value->begin(), value->end()) : std::string("<none>");
}

// ---- Block layout.

TEST(VersionBlock, QueriesFindEntriesByPathIgnoringAsciiCase)
{
    const Bytes block = standardBlock("1.2.3.4");
    const auto table = queryVersionValue(block, "\\VarFileInfo\\Translation");
    ASSERT_TRUE(table);
    EXPECT_EQ(Bytes(table->begin(), table->end()), (Bytes{0x09, 0x04, 0xb0, 0x04}));
    EXPECT_EQ(valueText(block, "\\StringFileInfo\\040904b0\\FileVersion"), std::string("1.2.3.4\0", 8));
    EXPECT_EQ(valueText(block, "\\stringfileinfo\\040904B0\\fileversion"), std::string("1.2.3.4\0", 8));
    EXPECT_EQ(valueText(block, "\\StringFileInfo\\040904b0\\ProductVersion"), "<none>");
    EXPECT_EQ(valueText(block, "\\StringFileInfo\\040904b0\\FileVersio"), "<none>");
}

TEST(VersionBlock, BrokenBlocksHoldNothing)
{
    Bytes block = standardBlock("1.0");
    EXPECT_EQ(valueText(Bytes(block.begin(), block.begin() + 7), "\\VarFileInfo\\Translation"), "<none>");
    Bytes badMagic = block;
    badMagic[0] = 'X';
    EXPECT_EQ(valueText(badMagic, "\\VarFileInfo\\Translation"), "<none>");
    // The second entry claims more bytes than there are: the first is still
    // found, the second is not.
    Bytes truncated(block.begin(), block.end() - 2);
    EXPECT_NE(valueText(truncated, "\\VarFileInfo\\Translation"), "<none>");
    EXPECT_EQ(valueText(truncated, "\\StringFileInfo\\040904b0\\FileVersion"), "<none>");
    // Every prefix of a block parses without reading past it (checked by ASan).
    for (std::size_t n = 0; n <= block.size(); ++n) {
        const Bytes prefix(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(n));
        (void)queryVersionValue(prefix, "\\StringFileInfo\\040904b0\\FileVersion");
    }
}

TEST(VersionBlock, ValuePathUsesFourLowerCaseHexDigitsEach)
{
    EXPECT_EQ(stringValuePath({0x0409, 0x04b0}, "FileVersion"), "\\StringFileInfo\\040904b0\\FileVersion");
    EXPECT_EQ(stringValuePath({0x000c, 0xABCD}, "X"), "\\StringFileInfo\\000cabcd\\X");
}

// ---- ELF section walk.

TEST(ElfSection, FindsTheNamedSectionInEveryClassAndByteOrder)
{
    const Bytes payload = {1, 2, 3, 4, 5};
    for (const bool is64 : {true, false}) {
        for (const bool bigEndian : {false, true}) {
            SCOPED_TRACE(std::string(is64 ? "ELF64" : "ELF32") + (bigEndian ? " MSB" : " LSB"));
            const Bytes image =
                makeElf({{".text", {0x90, 0x90}}, {".gnsslog_version", payload}, {".gnsslog_versionx", {9}}},
                        is64, bigEndian);
            const auto extent = findElfSection(image, ".gnsslog_version");
            ASSERT_TRUE(extent);
            ASSERT_EQ(extent->size, payload.size());
            EXPECT_TRUE(std::equal(payload.begin(), payload.end(),
                                   image.begin() + static_cast<std::ptrdiff_t>(extent->offset)));
            // A name that is only a prefix of a section's name is not it.
            EXPECT_FALSE(findElfSection(image, ".gnsslog"));
        }
    }
}

TEST(ElfSection, NotElfOrSectionsOutsideTheFileGiveNothing)
{
    EXPECT_FALSE(findElfSection(Bytes{}, ".gnsslog_version"));
    EXPECT_FALSE(findElfSection(Bytes(200, 0), ".gnsslog_version"));
    Bytes image = makeElf({{".gnsslog_version", {1, 2, 3}}});
    Bytes noBits = makeElf({{".gnsslog_version", {1, 2, 3}, 8}});
    EXPECT_FALSE(findElfSection(noBits, ".gnsslog_version"));
    // Cut the image inside the section header table.
    EXPECT_FALSE(findElfSection(Bytes(image.begin(), image.end() - 10), ".gnsslog_version"));
    // Point the section's size past the end of the file.
    const auto extent = findElfSection(image, ".gnsslog_version");
    ASSERT_TRUE(extent);
    Bytes tooLong = image;
    const std::size_t shoff = tooLong.size() - 3 * 64;  // null, version, strtab
    put(tooLong, shoff + 64 + 0x20, 1u << 30, 8, false);
    EXPECT_FALSE(findElfSection(tooLong, ".gnsslog_version"));
}

TEST(ElfSection, CorruptedImagesNeverReadOutOfBounds)
{
    const Bytes image = makeElf({{".text", Bytes(64, 0x90)}, {".gnsslog_version", standardBlock("9.9")}});
    std::mt19937 random(12345);
    for (int round = 0; round < 3000; ++round) {
        Bytes mutated = image;
        const int flips = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < flips; ++i) {
            mutated[random() % mutated.size()] = static_cast<std::uint8_t>(random());
        }
        if (round % 7 == 0) {
            mutated.resize(random() % mutated.size());
        }
        if (const auto extent = findElfSection(mutated, ".gnsslog_version")) {
            EXPECT_LE(extent->offset + extent->size, mutated.size());
        }
    }
}

// ---- Loading and querying, with the steps that fail.

TEST(VersionResourceLoad, FileWithBlockGivesItsFileVersionWithoutBoxes)
{
    ScratchDir dir;
    const std::string exe = dir.write("app", makeElf({{".gnsslog_version", standardBlock("1.2.3.4")}}));
    Steps steps;
    VersionResource holder;
    LoadVersionResource(holder, exe, steps.sink());
    ASSERT_TRUE(holder.data);
    ASSERT_TRUE(holder.translation);
    EXPECT_EQ(holder.translation->language, 0x0409);
    EXPECT_EQ(holder.translation->codePage, 0x04b0);
    EXPECT_EQ(QueryVersionValue(holder, "FileVersion", steps.sink()), "1.2.3.4");
    EXPECT_TRUE(steps.names.empty());
}

TEST(VersionResourceLoad, FileWithoutBlockReportsSizeThenData)
{
    ScratchDir dir;
    for (const Bytes& content : {makeElf({{".text", {0x90}}}), Bytes{'#', '!', '/', 'b'}, Bytes{}}) {
        const std::string exe = dir.write("plain", content);
        Steps steps;
        VersionResource holder;
        LoadVersionResource(holder, exe, steps.sink());
        EXPECT_FALSE(holder.data);
        EXPECT_EQ(QueryVersionValue(holder, "FileVersion", steps.sink()), "");
        EXPECT_EQ(steps.names, (std::vector<std::string>{"resource_size", "resource_data_"}));
    }
}

TEST(VersionResourceLoad, MissingModulePathOrFileReportsTheFailedStep)
{
    Steps steps;
    VersionResource holder;
    LoadVersionResource(holder, "", steps.sink());
    EXPECT_EQ(QueryVersionValue(holder, "FileVersion", steps.sink()), "");
    EXPECT_EQ(steps.names, (std::vector<std::string>{"GetModuleFileName", "resource_data_"}));

    Steps missing;
    VersionResource none;
    LoadVersionResource(none, "/nonexistent/gnsslog", missing.sink());
    EXPECT_EQ(missing.names, (std::vector<std::string>{"resource_size"}));
}

TEST(VersionResourceLoad, FirstTranslationWithoutFileVersionReportsTheQuery)
{
    // FileVersion exists, but only under the second translation.
    const Bytes block = encodeVersionBlock(
        {{std::string(kTranslationKey), {0x0c, 0x04, 0xe4, 0x04, 0x09, 0x04, 0xb0, 0x04}},
         stringEntry("\\StringFileInfo\\040904b0\\FileVersion", "1.2.3.4"),
         stringEntry("\\StringFileInfo\\040c04e4\\ProductVersion", "5")});
    ScratchDir dir;
    const std::string exe = dir.write("app", makeElf({{".gnsslog_version", block}}));
    Steps steps;
    VersionResource holder;
    LoadVersionResource(holder, exe, steps.sink());
    ASSERT_TRUE(holder.translation);
    EXPECT_EQ(holder.translation->language, 0x040c);
    EXPECT_EQ(QueryVersionValue(holder, "FileVersion", steps.sink()), "");
    EXPECT_EQ(steps.names, (std::vector<std::string>{"VerQueryValue"}));
}

TEST(VersionResourceLoad, BlockWithoutTranslationTableYieldsEmptyVersion)
{
    ScratchDir dir;
    const std::string exe = dir.write(
        "app", makeElf({{".gnsslog_version",
                         encodeVersionBlock({stringEntry("\\StringFileInfo\\040904b0\\FileVersion", "1")})}}));
    Steps steps;
    VersionResource holder;
    LoadVersionResource(holder, exe, steps.sink());
    EXPECT_TRUE(holder.data);
    EXPECT_FALSE(holder.translation);
    EXPECT_EQ(QueryVersionValue(holder, "FileVersion", steps.sink()), "");
    EXPECT_EQ(steps.names, (std::vector<std::string>{"VerQueryValue"}));
}

TEST(VersionResourceLoad, ReadsTheFileAtTheFullPathNotOneOfTheSameNameInTheWorkingDirectory)
{
    ScratchDir dir;
    const std::string wanted = dir.write("bin/gnsslog", makeElf({{".gnsslog_version", standardBlock("2.0")}}));
    dir.write("gnsslog", makeElf({{".gnsslog_version", standardBlock("6.6.6")}}));
    const fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    Steps steps;
    VersionResource holder;
    LoadVersionResource(holder, wanted, steps.sink());
    const std::string version = QueryVersionValue(holder, "FileVersion", steps.sink());
    fs::current_path(previous);
    EXPECT_EQ(version, "2.0");
    EXPECT_TRUE(steps.names.empty());
}

TEST(VersionResourceLoad, OversizedSectionIsNotAVersionBlock)
{
    ScratchDir dir;
    Bytes huge = standardBlock("1");
    huge.resize(kMaxVersionBlockSize + 1, 0);
    const std::string exe = dir.write("app", makeElf({{".gnsslog_version", huge}}));
    EXPECT_EQ(versionInfoSize(exe), 0u);
}

TEST(VersionResourceLoad, RealExecutableWithSectionAddedByObjcopy)
{
    // A real toolchain's layout (program headers, many sections).
    if (std::system("command -v objcopy >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "objcopy not installed";
    }
    ScratchDir dir;
    const std::string blockFile = dir.write("block.bin", standardBlock("1.2.3.4"));
    const fs::path copy = dir.path() / "true-with-version";
    const fs::path plainCopy = dir.path() / "true-plain";
    fs::copy_file(moduleFileName(), plainCopy);
    const std::string command = "objcopy --add-section .gnsslog_version=" + blockFile +
                                " --set-section-flags .gnsslog_version=readonly,data " + plainCopy.string() + " " +
                                copy.string();
    ASSERT_EQ(std::system(command.c_str()), 0);

    Steps steps;
    VersionResource holder;
    LoadVersionResource(holder, copy.string(), steps.sink());
    EXPECT_EQ(QueryVersionValue(holder, "FileVersion", steps.sink()), "1.2.3.4");
    EXPECT_TRUE(steps.names.empty());

    // The test executable itself carries no block.
    EXPECT_EQ(versionInfoSize(plainCopy.string()), 0u);
}

TEST(ModuleFileName, IsTheAbsolutePathOfTheRunningExecutable)
{
    const std::string path = moduleFileName();
    ASSERT_FALSE(path.empty());
    EXPECT_TRUE(fs::path(path).is_absolute());
    EXPECT_TRUE(fs::equivalent(path, "/proc/self/exe"));
}

}  // namespace
}  // namespace gnsslog
