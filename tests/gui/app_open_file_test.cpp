// A log named on the command line (or by the desktop's "Open with"):
// loaded in the format its start looks like, whatever the Parsing mode
// menu says; a file that cannot be read leaves an empty main window.
#include <QAction>
#include <QLabel>

#include "tests/gui/app_support.h"

namespace gnsslog::apptest {
namespace {

using OpenFileByName = MainWindowTest;

TEST_F(OpenFileByName, ReadsTheFormatTheLogLooksLikeAndLeavesTheMenuAsItWas)
{
    ASSERT_TRUE(form->Navcombinary->isChecked());
    const QString startLabel = form->Label1->text();
    form->openLogFile(dir.write("sentences.nmea", nmeaLog()));
    EXPECT_TRUE(dialogs.messages.empty());
    ASSERT_NE(form->Analysis, nullptr);
    EXPECT_FALSE(form->Analysis->records.empty());
    EXPECT_EQ(form->windowTitle(), "sentences.nmea");
    EXPECT_NE(form->Label1->text(), startLabel);
    // No dialog was asked for a file name.
    EXPECT_TRUE(dialogs.fileNames.empty());
    // The menu keeps the user's choice for the next load command.
    EXPECT_TRUE(form->Navcombinary->isChecked());
    EXPECT_FALSE(form->Detectautomatically1->isChecked());
    load(dir.write("again.nmea", nmeaLog()));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "No records, check parsing mode");
}

TEST_F(OpenFileByName, SampleLogsOfEveryShippedFormatLoad)
{
    for (const char* sample : {"static-rtk.pvt1b", "static-rtk.nmea", "static-rtk.ubx", "static-rtk.pos"}) {
        SCOPED_TRACE(sample);
        form->openLogFile(QStringLiteral(GNSSLOG_SOURCE_DIR "/samples/") + QString::fromUtf8(sample));
        ASSERT_NE(form->Analysis, nullptr);
        EXPECT_FALSE(form->Analysis->records.empty());
    }
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(OpenFileByName, UnreadableFilesGiveTheUsualBoxAndAnEmptyWindow)
{
    const QString startLabel = form->Label1->text();
    form->openLogFile(QString::fromStdString((dir.path() / "gone.pvt1b").string()));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, "Error");
    EXPECT_TRUE(dialogs.messages[0].text.contains("gone.pvt1b")) << dialogs.messages[0].text.toStdString();
    EXPECT_EQ(form->Label1->text(), startLabel);

    form->openLogFile(dir.write("text.txt", "no log at all\n"));
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[1], (FakeDialogs::Box{"Error", "No records, check parsing mode"}));
    EXPECT_EQ(form->Label1->text(), startLabel);
    EXPECT_FALSE(form->loading());
    EXPECT_TRUE(form->Loadlogfile1->isEnabled());
}

}  // namespace
}  // namespace gnsslog::apptest
