// A followed file: growth read as it comes, a truncated or replaced file
// read again from its start as a new segment, a vanished one waited for.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "live/FollowSource.h"

namespace gnsslog {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class FollowSourceTest : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::path(testing::TempDir()) / ("gnsslog-follow-" + std::to_string(getpid()));
        fs::create_directories(dir_);
        path_ = (dir_ / "log").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    void write(const std::string& path, const std::string& text, std::ios::openmode mode)
    {
        std::ofstream(path, std::ios::binary | mode) << text;
    }
    // Everything the source has now, read until it idles.
    static std::string drain(FollowSource& source)
    {
        std::vector<std::uint8_t> bytes;
        for (int i = 0; i < 10; ++i) {
            const ReadResult result = source.read(bytes, 1ms);
            EXPECT_NE(result.status, ReadStatus::Failed) << result.error;
        }
        return {bytes.begin(), bytes.end()};
    }

    fs::path dir_;
    std::string path_;
};

TEST_F(FollowSourceTest, GrowthTruncationAndReplacementInOrder)
{
    write(path_, "$GPGGA,1", std::ios::trunc);
    FollowSource source(path_);
    ASSERT_EQ(source.open(), "");
    EXPECT_EQ(drain(source), "$GPGGA,1");
    write(path_, "23*00\r\n", std::ios::app);
    EXPECT_EQ(drain(source), "23*00\r\n");
    EXPECT_EQ(source.counters().segments, 1);

    write(path_, "AB", std::ios::trunc);  // shorter than what was read: truncated
    EXPECT_EQ(drain(source), "AB");
    EXPECT_EQ(source.counters().segments, 2);

    const std::string replacement = (dir_ / "next").string();
    write(replacement, "NEW FILE", std::ios::trunc);
    fs::rename(replacement, path_);  // log rotation: the name now means another file
    EXPECT_EQ(drain(source), "NEW FILE");
    EXPECT_EQ(source.counters().segments, 3);

    fs::remove(path_);  // gone: wait, nothing read, no failure
    EXPECT_EQ(drain(source), "");
    write(path_, "BACK", std::ios::trunc);
    EXPECT_EQ(drain(source), "BACK");
    EXPECT_EQ(source.counters().segments, 4);
    EXPECT_EQ(source.counters().drops, 0);
}

TEST_F(FollowSourceTest, OnlyRegularFilesCanBeFollowed)
{
    FollowSource missing((dir_ / "absent").string());
    EXPECT_NE(missing.open().find("cannot open"), std::string::npos);
    FollowSource folder(dir_.string());
    EXPECT_NE(folder.open().find("not a regular file"), std::string::npos);
}

}  // namespace
}  // namespace gnsslog
