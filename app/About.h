// The about box: one line with the application's name and the file version
// read from the running executable's version block while it is created.
#pragma once

#include <QDialog>

#include <string>
#include <string_view>

#include "platform/VersionResource.h"

class QLabel;

namespace gnsslog {

class Dialogs;

class TAboutDialog : public QDialog {
    Q_OBJECT

public:
    // Reads the version of the executable at modulePath (by default the
    // running one; empty means its path could not be found). Failed steps
    // are shown as "ERROR" boxes through dialogs.
    explicit TAboutDialog(QWidget* parent = nullptr);
    TAboutDialog(QWidget* parent, Dialogs& dialogs, const std::string& modulePath);

    void LoadVersionResource(VersionResource& holder);
    std::string QueryVersionValue(const VersionResource& holder, std::string_view name);

    QLabel* Label1 = nullptr;

private:
    void reportFailure(const char* step);

    Dialogs& dialogs_;
    std::string modulePath_;
};

}  // namespace gnsslog

// The permanent about box; created hidden at start-up.
extern gnsslog::TAboutDialog* AboutDialog;
