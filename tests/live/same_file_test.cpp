// A live run's archive must never be the file it follows, however the two
// paths are written: through a symbolic link, a hard link or "..".
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "live/SameFile.h"

namespace gnsslog {
namespace {

namespace fs = std::filesystem;

TEST(SameFile, OneFileUnderEveryNameAndNoOther)
{
    const fs::path dir = fs::temp_directory_path() / ("gnsslog-same-file-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "sub");
    const fs::path log = dir / "rover.nmea";
    std::ofstream(log) << "$GPGGA\r\n";
    std::ofstream(dir / "other.nmea") << "$GPGGA\r\n";
    fs::create_symlink(log, dir / "link.nmea");
    fs::create_hard_link(log, dir / "hard.nmea");

    EXPECT_TRUE(sameExistingFile(log.string(), log.string()));
    EXPECT_TRUE(sameExistingFile(log.string(), (dir / "sub" / ".." / "rover.nmea").string()));
    EXPECT_TRUE(sameExistingFile(log.string(), (dir / "link.nmea").string()));
    EXPECT_TRUE(sameExistingFile((dir / "hard.nmea").string(), log.string()));
    // Same content is not the same file; a file not there yet is no file.
    EXPECT_FALSE(sameExistingFile(log.string(), (dir / "other.nmea").string()));
    EXPECT_FALSE(sameExistingFile(log.string(), (dir / "new.archive").string()));
    EXPECT_FALSE(sameExistingFile(log.string(), ""));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace gnsslog
