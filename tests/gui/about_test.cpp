// The about box: its line from the executable's version block and the
// "ERROR" boxes of each failed step.
#include <QLabel>
#include <QTimer>

#include "app/About.h"
#include "common/BuildVersion.h"
#include "tests/core/elf_test_image.h"
#include "tests/gui/app_support.h"

namespace gnsslog::apptest {
namespace {

using testing::Bytes;
using testing::makeElf;

std::string asString(const Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

std::string executableWith(const std::vector<VersionEntry>& entries)
{
    return asString(makeElf({{".text", {0x90}}, {".gnsslog_version", encodeVersionBlock(entries)}}));
}

const std::string kFileVersionKey = "\\StringFileInfo\\040904b0\\FileVersion";

class AboutBox : public ::testing::Test {
protected:
    void SetUp() override { guiApp(); }
    std::vector<FakeDialogs::Box> errorBoxes(std::initializer_list<const char*> steps)
    {
        std::vector<FakeDialogs::Box> boxes;
        for (const char* step : steps) {
            boxes.push_back({"ERROR", step});
        }
        return boxes;
    }
    FakeDialogs dialogs;
    ScratchDir dir;
};

TEST_F(AboutBox, DesignAndTheVersionOfTheRunningExecutable)
{
    // This test program carries the block the build writes from the
    // project version, as the application does.
    Dialogs* previous = setAppDialogs(&dialogs);
    TAboutDialog about;
    setAppDialogs(previous);
    EXPECT_EQ(about.windowTitle(), "Info");
    EXPECT_EQ(about.size(), QSize(438, 36));
    EXPECT_EQ(about.Label1->geometry(), QRect(8, 8, 422, 21));
    EXPECT_TRUE(about.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(about.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(about.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(about.Label1->text().toStdString(), "Pelomark GNSS log viewer V" + std::string(buildVersion()));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(about.isHidden());
}

TEST_F(AboutBox, FileVersionOfTheFirstTranslation)
{
    const QString exe = dir.write("app", executableWith({translationEntry(0x0409, 0x04b0),
                                                         stringEntry(kFileVersionKey, "1.2.3.4")}));
    TAboutDialog about(nullptr, dialogs, exe.toStdString());
    EXPECT_EQ(about.Label1->text(), "Pelomark GNSS log viewer V1.2.3.4");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(AboutBox, ExecutableWithoutBlockShowsTwoBoxesAndTheBareV)
{
    const QString exe = dir.write("app", asString(makeElf({{".text", {0x90}}})));
    TAboutDialog about(nullptr, dialogs, exe.toStdString());
    EXPECT_EQ(dialogs.messages, errorBoxes({"resource_size", "resource_data_"}));
    EXPECT_EQ(about.Label1->text(), "Pelomark GNSS log viewer V");
}

TEST_F(AboutBox, FirstTranslationWithoutFileVersionShowsOneBox)
{
    const QString exe = dir.write("app", executableWith({translationEntry(0x0407, 0x04e4),
                                                         stringEntry(kFileVersionKey, "1.2.3.4")}));
    TAboutDialog about(nullptr, dialogs, exe.toStdString());
    EXPECT_EQ(dialogs.messages, errorBoxes({"VerQueryValue"}));
    EXPECT_EQ(about.Label1->text(), "Pelomark GNSS log viewer V");
}

TEST_F(AboutBox, UnknownModulePath)
{
    TAboutDialog about(nullptr, dialogs, "");
    EXPECT_EQ(dialogs.messages, errorBoxes({"GetModuleFileName", "resource_data_"}));
    EXPECT_EQ(about.Label1->text(), "Pelomark GNSS log viewer V");
}

TEST_F(AboutBox, ShownAgainFromTheMainWindowWithTheSameLineWithoutReadingAgain)
{
    const QString exe = dir.write("app", executableWith({translationEntry(0x0409, 0x04b0),
                                                         stringEntry(kFileVersionKey, "3.1")}));
    TAboutDialog about(nullptr, dialogs, exe.toStdString());
    std::filesystem::remove(exe.toStdString());  // a second read would fail now
    TAboutDialog* previous = std::exchange(AboutDialog, &about);
    TForm3 main(dialogs);
    int shown = 0;
    for (int i = 0; i < 2; ++i) {
        QTimer::singleShot(0, &about, [&] {
            shown += about.isVisible() && about.isModal() ? 1 : 0;
            about.accept();
        });
        main.About1->trigger();
    }
    AboutDialog = previous;
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(about.Label1->text(), "Pelomark GNSS log viewer V3.1");
    EXPECT_TRUE(dialogs.messages.empty());
}

}  // namespace
}  // namespace gnsslog::apptest
