#include "app/FrameMenu.h"

#include <QActionGroup>
#include <QMenu>

#include <stdexcept>

#include "app/Dialogs.h"
#include "common/FormatNumber.h"
#include "geodesy/GridConverter.h"
#include "log/RecordGrid.h"

namespace gnsslog {

namespace {

QAction* addRadio(QMenu* menu, QActionGroup* group, const char* name, const QString& caption)
{
    QAction* item = menu->addAction(caption);
    item->setObjectName(QLatin1String(name));
    item->setCheckable(true);
    group->addAction(item);
    return item;
}

}  // namespace

FrameMenu::FrameMenu(QMenu* transformations, QAction* kkjItem, Dialogs& dialogs, QWidget* window)
    : QObject(window), kkjItem_(kkjItem), dialogs_(dialogs), window_(window)
{
    // Exclusive among themselves; all unchecked while KKJ is the grid.
    FrameGroup = new QActionGroup(this);
    FrameGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    transformations->addSeparator();
    GeodeticENU1 = addRadio(transformations, FrameGroup, "GeodeticENU1",
                            QStringLiteral("Geodetic-->local ENU"));
    GeodeticTM35FIN1 = addRadio(transformations, FrameGroup, "GeodeticTM35FIN1",
                                QStringLiteral("Geodetic-->ETRS-TM35FIN"));
    GeodeticGK1 = transformations->addMenu(QStringLiteral("Geodetic-->ETRS-GK"));
    GeodeticGK1->setObjectName(QStringLiteral("GeodeticGK1"));
    for (int zone = kFirstGkZone; zone <= kLastGkZone; ++zone) {
        const QString number = QString::fromStdString(formatInt(zone));
        QAction* item = addRadio(GeodeticGK1, FrameGroup, "GeodeticGK", QStringLiteral("ETRS-GK") + number);
        item->setObjectName(QStringLiteral("GeodeticGK") + number);
        GKItems.emplace_back(item, zone);
    }
    // Not auto-checked: it is checked only once a code has passed PROJ's check.
    GeodeticEPSG1 = transformations->addAction(QStringLiteral("Geodetic-->EPSG code..."));
    GeodeticEPSG1->setObjectName(QStringLiteral("GeodeticEPSG1"));
    GeodeticEPSG1->setCheckable(true);
    FrameGroup->addAction(GeodeticEPSG1);
    transformations->addSeparator();
    Manualtruthisgeodetic1 = transformations->addAction(QStringLiteral("Manual truth is geodetic"));
    Manualtruthisgeodetic1->setObjectName(QStringLiteral("Manualtruthisgeodetic1"));
    Manualtruthisgeodetic1->setCheckable(true);

    for (QAction* item : FrameGroup->actions()) {
        if (item == GeodeticEPSG1) {
            continue;
        }
        connect(item, &QAction::triggered, this, [this, item](bool checked) {
            if (checked) {
                choose(item);
            } else {
                item->setChecked(true);  // choosing the chosen grid keeps it
            }
        });
    }
    connect(GeodeticEPSG1, &QAction::triggered, this, [this] {
        // The group has already unchecked the chosen grid: put it back
        // and let the handler decide.
        if (chosen_ != nullptr) {
            chosen_->setChecked(true);
        } else {
            GeodeticEPSG1->setChecked(false);
        }
        GeodeticEPSG1Click();
    });
    // Checking KKJ makes it the grid again.
    connect(kkjItem_, &QAction::toggled, this, [this](bool checked) {
        if (checked && FrameGroup->checkedAction() != nullptr) {
            FrameGroup->checkedAction()->setChecked(false);
        }
        if (checked) {
            chosen_ = nullptr;
        }
    });
}

void FrameMenu::choose(QAction* item)
{
    item->setChecked(true);
    chosen_ = item;
    kkjItem_->setChecked(false);
}

void FrameMenu::GeodeticEPSG1Click()
{
    const std::optional<QString> text =
        dialogs_.askText(window_, QStringLiteral("EPSG code"),
                         QStringLiteral("Projected coordinate system, EPSG code (e.g. 32635):"));
    if (!text) {
        return;
    }
    QString code = text->trimmed();
    if (!code.startsWith(QStringLiteral("EPSG:"), Qt::CaseInsensitive)) {
        code = QStringLiteral("EPSG:") + code;
    }
    const std::optional<GridFrame> frame = parseGridFrame(code.toStdString());
    if (!frame || frame->kind != GridKind::Projected) {
        dialogs_.error(QStringLiteral("'") + *text + QStringLiteral("' is not an EPSG code"));
        return;
    }
    try {
        checkGridFrame(*frame);
    } catch (const FrameError& error) {
        dialogs_.error(QString::fromStdString(error.what()));
        return;
    }
    epsgCode_ = frame->epsg;
    GeodeticEPSG1->setText(QStringLiteral("Geodetic-->EPSG code... (") +
                           QString::fromStdString(frame->name()) + QStringLiteral(")"));
    choose(GeodeticEPSG1);
}

DecodeOptions FrameMenu::decodeOptions() const
{
    DecodeOptions options{kkjItem_->isChecked()};
    const QAction* chosen = FrameGroup->checkedAction();
    if (chosen == GeodeticENU1) {
        options.frame = GridFrame{GridKind::Enu, 0};
    } else if (chosen == GeodeticTM35FIN1) {
        options.frame = GridFrame{GridKind::Projected, kEpsgTm35fin};
    } else if (chosen == GeodeticEPSG1) {
        options.frame = GridFrame{GridKind::Projected, epsgCode_};
    } else {
        for (const auto& [item, zone] : GKItems) {
            if (item == chosen) {
                options.frame = GridFrame{GridKind::Projected, kEpsgGk19 + zone - kFirstGkZone};
            }
        }
    }
    return options;
}

void FrameMenu::manualTruth(DecodeOptions& options, double first, double second, double third,
                            double manual[3]) const
{
    manual[0] = first;
    manual[1] = second;
    manual[2] = third;
    if (!Manualtruthisgeodetic1->isChecked()) {
        return;
    }
    if (!manualTruthInGrid(options, GeodeticPosition{first, second, third}, manual[0], manual[1])) {
        throw std::runtime_error("The manual truth " + formatGeneral(first, 12) + " " +
                                 formatGeneral(second, 12) + " has no place in the grid " +
                                 options.frame.name());
    }
}

}  // namespace gnsslog
