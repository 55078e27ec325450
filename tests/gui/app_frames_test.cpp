// The Transformations menu's other grids: radio items that exclude
// "Geodetic-->KKJ", the EPSG code box checked with PROJ at once, and the
// manual truth typed as latitude, longitude and height.
#include <gtest/gtest.h>

#include <QAction>
#include <QActionGroup>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>

#include <algorithm>
#include <cmath>

#include "app/FrameMenu.h"
#include "log/Gpslog.h"
#include "tests/gui/app_support.h"

namespace gnsslog {
namespace {

using apptest::MainWindowTest;
using apptest::ScratchDir;
using apptest::navcomLog;
using FrameMenuTest = MainWindowTest;

std::vector<QAction*> frameItems(const FrameMenu& menu)
{
    std::vector<QAction*> items{menu.GeodeticENU1, menu.GeodeticTM35FIN1, menu.GeodeticEPSG1};
    for (const auto& [item, zone] : menu.GKItems) {
        items.push_back(item);
    }
    return items;
}

QAction* gkItem(const FrameMenu& menu, int zone)
{
    for (const auto& [item, itemZone] : menu.GKItems) {
        if (itemZone == zone) {
            return item;
        }
    }
    return nullptr;
}

TEST_F(FrameMenuTest, AtStartKkjIsTheGridAndTheOtherItemsAreUnchecked)
{
    const FrameMenu& menu = *form->Frames;
    ASSERT_EQ(menu.GKItems.size(), 13u);
    EXPECT_EQ(menu.GKItems.front().first->text(), "ETRS-GK19");
    EXPECT_EQ(menu.GKItems.back().first->text(), "ETRS-GK31");
    EXPECT_EQ(menu.GeodeticGK1->menuAction()->text(), "Geodetic-->ETRS-GK");
    for (QAction* item : frameItems(menu)) {
        EXPECT_TRUE(item->isCheckable() && !item->isChecked()) << item->objectName().toStdString();
        EXPECT_EQ(item->actionGroup(), menu.FrameGroup);
    }
    EXPECT_TRUE(menu.Manualtruthisgeodetic1->isCheckable());
    EXPECT_FALSE(menu.Manualtruthisgeodetic1->isChecked());
    EXPECT_TRUE(form->GeodeticKKJ1->isChecked());
    const DecodeOptions options = menu.decodeOptions();
    EXPECT_TRUE(options.toKKJ);
    EXPECT_EQ(options.frame, GridFrame{});
}

TEST_F(FrameMenuTest, ChoosingAGridUnchecksKkjAndCheckingKkjUnchecksIt)
{
    FrameMenu& menu = *form->Frames;
    menu.GeodeticENU1->trigger();
    EXPECT_TRUE(menu.GeodeticENU1->isChecked());
    EXPECT_FALSE(form->GeodeticKKJ1->isChecked());
    EXPECT_EQ(menu.decodeOptions().frame, (GridFrame{GridKind::Enu, 0}));

    // Choosing the chosen grid again keeps it.
    menu.GeodeticENU1->trigger();
    EXPECT_TRUE(menu.GeodeticENU1->isChecked());

    gkItem(menu, 25)->trigger();
    EXPECT_FALSE(menu.GeodeticENU1->isChecked());
    EXPECT_TRUE(gkItem(menu, 25)->isChecked());
    EXPECT_EQ(menu.decodeOptions().frame, (GridFrame{GridKind::Projected, 3879}));

    form->GeodeticKKJ1->trigger();
    EXPECT_TRUE(form->GeodeticKKJ1->isChecked());
    for (QAction* item : frameItems(menu)) {
        EXPECT_FALSE(item->isChecked()) << item->objectName().toStdString();
    }
    EXPECT_EQ(menu.decodeOptions().frame, GridFrame{});
    EXPECT_TRUE(menu.decodeOptions().toKKJ);

    // KKJ off with no other grid: no conversion, as the KKJ item says.
    form->GeodeticKKJ1->trigger();
    EXPECT_FALSE(menu.decodeOptions().toKKJ);
    EXPECT_EQ(menu.decodeOptions().frame, GridFrame{});
}

TEST_F(FrameMenuTest, TheEpsgCodeIsCheckedAtOnceAndABadOneShowsAnError)
{
    FrameMenu& menu = *form->Frames;
    dialogs.texts = {QStringLiteral("4326"), QStringLiteral("EPSG:999999"), QStringLiteral("utm"),
                     std::nullopt, QStringLiteral(" 32635 ")};
    for (int i = 0; i < 4; ++i) {
        menu.GeodeticEPSG1->trigger();
        EXPECT_FALSE(menu.GeodeticEPSG1->isChecked());
        EXPECT_TRUE(form->GeodeticKKJ1->isChecked());
    }
    ASSERT_EQ(dialogs.errors.size(), 3u);
    EXPECT_TRUE(dialogs.errors[0].contains("EPSG:4326")) << dialogs.errors[0].toStdString();
    EXPECT_TRUE(dialogs.errors[0].contains("not a projected")) << dialogs.errors[0].toStdString();
    EXPECT_TRUE(dialogs.errors[1].contains("EPSG:999999")) << dialogs.errors[1].toStdString();
    EXPECT_TRUE(dialogs.errors[2].contains("utm")) << dialogs.errors[2].toStdString();

    menu.GeodeticEPSG1->trigger();
    EXPECT_EQ(dialogs.errors.size(), 3u);
    EXPECT_TRUE(menu.GeodeticEPSG1->isChecked());
    EXPECT_FALSE(form->GeodeticKKJ1->isChecked());
    EXPECT_EQ(menu.decodeOptions().frame, (GridFrame{GridKind::Projected, 32635}));
    EXPECT_EQ(dialogs.textLabels.size(), 5u);
}

// The group unchecks the chosen grid as soon as the EPSG item is
// triggered; a refused or cancelled code must bring that grid back.
TEST_F(FrameMenuTest, ARefusedEpsgCodeKeepsThePreviousGridChosenForTheNextLoad)
{
    FrameMenu& menu = *form->Frames;
    menu.GeodeticTM35FIN1->trigger();
    dialogs.texts = {QStringLiteral("4326"), std::nullopt};
    for (int i = 0; i < 2; ++i) {
        menu.GeodeticEPSG1->trigger();
        EXPECT_TRUE(menu.GeodeticTM35FIN1->isChecked()) << "attempt " << i;
        EXPECT_FALSE(menu.GeodeticEPSG1->isChecked());
        EXPECT_FALSE(form->GeodeticKKJ1->isChecked());
        EXPECT_EQ(menu.decodeOptions().frame, (GridFrame{GridKind::Projected, kEpsgTm35fin}));
    }
    EXPECT_EQ(dialogs.errors.size(), 1u);

    // A good code, then a refused one: the good code stays.
    dialogs.texts = {QStringLiteral("32635"), QStringLiteral("4326")};
    menu.GeodeticEPSG1->trigger();
    menu.GeodeticEPSG1->trigger();
    EXPECT_TRUE(menu.GeodeticEPSG1->isChecked());
    EXPECT_EQ(menu.decodeOptions().frame, (GridFrame{GridKind::Projected, 32635}));

    ScratchDir dir;
    load(dir.write("nav.bin", navcomLog()));
    ASSERT_FALSE(form->Analysis->records.empty());
    EXPECT_TRUE(std::any_of(form->Analysis->records.begin(), form->Analysis->records.end(),
                            [](const GNSSRecord& r) { return r.has(ValidFlag::Grid) && r.localX != 0; }));
}

TEST_F(FrameMenuTest, ALoadMeasuresInTheChosenGridAndReadsAGeodeticTruth)
{
    ScratchDir dir;
    const QString navcom = dir.write("nav.bin", navcomLog());
    FrameMenu& menu = *form->Frames;

    menu.GeodeticENU1->trigger();
    load(navcom);
    ASSERT_FALSE(form->Analysis->records.empty());
    EXPECT_EQ(form->Analysis->frame, (GridFrame{GridKind::Enu, 0}));
    EXPECT_TRUE(std::all_of(form->Analysis->records.begin(), form->Analysis->records.end(),
                            [](const GNSSRecord& r) {
                                return !r.has(ValidFlag::Grid) || std::hypot(r.localX, r.localY) < 1000;
                            }));
    EXPECT_TRUE(dialogs.messages.empty());

    // TM35FIN with the manual truth typed as latitude, longitude, height
    // (cs2cs: 60.17 N 24.94 E is northing 6672126.7430, easting 385700.4214).
    menu.GeodeticTM35FIN1->trigger();
    menu.Manualtruthisgeodetic1->trigger();
    const QString point = QLocale::system().decimalPoint();
    form->XCoord->setText("60" + point + "17");
    form->YCoord->setText("24" + point + "94");
    form->ZCoord->setText("12" + point + "5");
    load(navcom);
    ASSERT_FALSE(form->Analysis->records.empty());
    EXPECT_EQ(form->Analysis->frame, (GridFrame{GridKind::Projected, 3067}));
    EXPECT_NEAR(form->Analysis->manualX, 6672126.7430, 0.001);
    EXPECT_NEAR(form->Analysis->manualY, 385700.4214, 0.001);
    EXPECT_EQ(form->Analysis->manualZ, 12.5);

    // A latitude beyond the pole stops the load with an error.
    form->XCoord->setText("95");
    dialogs.fileNames.push_back(navcom);
    EXPECT_THROW(form->Button1Click(), std::runtime_error);
    EXPECT_EQ(form->Analysis, nullptr);
}

}  // namespace
}  // namespace gnsslog
