// The Qt application object of the plot tests: the one another test made
// already, or one made on first use with the application's font and kept
// until the process ends (it is reachable from a static, so LeakSanitizer
// does not count it).
#pragma once

#include <QApplication>
#include <QCoreApplication>

#include "app/FormFont.h"

namespace gnsslog::plottest {

inline QApplication& plotTestApp()
{
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return *existing;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static int argc = 1;
    static char name[] = "gnsslog_gui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    setFormFontForApplication();  // as the application's start-up does
    return *app;
}

}  // namespace gnsslog::plottest
