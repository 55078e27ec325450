// The application and the command-line tools are peers: app/ uses what
// lies below both (history/, plots/, log/...) and nothing of tools/, so
// the application never has to link the report tool's library.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace gnsslog {
namespace {

TEST(AppLayersTest, AppIncludesNothingOfTheTools)
{
    const std::filesystem::path app = std::filesystem::path(GNSSLOG_SOURCE_DIR) / "app";
    int files = 0;
    for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(app)) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".cpp" && extension != ".h") {
            continue;
        }
        ++files;
        std::ifstream in(entry.path());
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            EXPECT_EQ(line.find("#include \"tools/"), std::string::npos)
                << entry.path().filename().string() << ':' << number << ": " << line;
        }
    }
    EXPECT_GT(files, 10);  // the folder was found and read
}

}  // namespace
}  // namespace gnsslog
