#include "app/About.h"

#include <QLabel>

#include "app/Dialogs.h"

gnsslog::TAboutDialog* AboutDialog = nullptr;

namespace gnsslog {

TAboutDialog::TAboutDialog(QWidget* parent) : TAboutDialog(parent, appDialogs(), moduleFileName()) {}

TAboutDialog::TAboutDialog(QWidget* parent, Dialogs& dialogs, const std::string& modulePath)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      dialogs_(dialogs),
      modulePath_(modulePath)
{
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowTitle(QStringLiteral("Info"));
    resize(438, 36);

    Label1 = new QLabel(QStringLiteral("Label1"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 8, 422, 21);

    // The holder lives only while the text is made; its buffer goes with it.
    VersionResource holder;
    LoadVersionResource(holder);
    const std::string version = QueryVersionValue(holder, "FileVersion");
    Label1->setText(QStringLiteral("Pelomark GNSS log viewer V%1").arg(QString::fromStdString(version)));
}

void TAboutDialog::reportFailure(const char* step)
{
    dialogs_.message(QStringLiteral("ERROR"), QString::fromUtf8(step));
}

void TAboutDialog::LoadVersionResource(VersionResource& holder)
{
    gnsslog::LoadVersionResource(holder, modulePath_, [this](const char* step) { reportFailure(step); });
}

std::string TAboutDialog::QueryVersionValue(const VersionResource& holder, std::string_view name)
{
    return gnsslog::QueryVersionValue(holder, name, [this](const char* step) { reportFailure(step); });
}

}  // namespace gnsslog
