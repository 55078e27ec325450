// The Transformations menu's grids besides "Geodetic-->KKJ": the local
// plane, ETRS-TM35FIN, the ETRS-GK zones and any projected EPSG system,
// as radio items, and "Manual truth is geodetic". Choosing one of these
// grids unchecks "Geodetic-->KKJ"; checking that unchecks them, so while
// none is chosen the KKJ item works as it always has.
#pragma once

#include <QObject>
#include <QString>

#include <utility>
#include <vector>

#include "geodesy/GridFrame.h"
#include "log/formats/InputFormat.h"

class QAction;
class QActionGroup;
class QMenu;
class QWidget;

namespace gnsslog {

class Dialogs;

class FrameMenu final : public QObject {
    Q_OBJECT

public:
    // Adds the items to transformations after kkjItem; dialogs asks for
    // the EPSG code and shows a bad one.
    FrameMenu(QMenu* transformations, QAction* kkjItem, Dialogs& dialogs, QWidget* window);

    // The grid of the next load: the checked item's, else KKJ while the KKJ
    // item is checked, else none (toKKJ false).
    DecodeOptions decodeOptions() const;

    // The manual truth from the three edit boxes' numbers: grid x, y and
    // height as typed, or with "Manual truth is geodetic" latitude,
    // longitude and height converted into the grid of options (an Enu
    // frame takes the position as its origin). Throws std::runtime_error
    // naming the position when the grid cannot place it.
    void manualTruth(DecodeOptions& options, double first, double second, double third,
                     double manual[3]) const;

    // Asks for a code; a good one checks the EPSG item, a bad one shows the
    // error and changes nothing.
    void GeodeticEPSG1Click();

    QAction* GeodeticENU1 = nullptr;
    QAction* GeodeticTM35FIN1 = nullptr;
    QMenu* GeodeticGK1 = nullptr;
    std::vector<std::pair<QAction*, int>> GKItems;  // item, zone
    QAction* GeodeticEPSG1 = nullptr;
    QAction* Manualtruthisgeodetic1 = nullptr;
    QActionGroup* FrameGroup = nullptr;

    int epsgCode() const noexcept { return epsgCode_; }

private:
    void choose(QAction* item);

    QAction* kkjItem_;
    Dialogs& dialogs_;
    QWidget* window_;
    QAction* chosen_ = nullptr;  // the grid item last chosen; null while KKJ or none
    int epsgCode_ = 0;
};

}  // namespace gnsslog
