#include "app/LiveSourceDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QSettings>

#include <string>

#include "app/LiveSourceText.h"
#include "live/SourceAddress.h"

namespace gnsslog {

namespace {

const QString kRecentKey = QStringLiteral("liveSources/recent");

// The application sets no organisation: its own folder, not "Unknown Organization".
QSettings settings()
{
    return QSettings(QStringLiteral("gnsslog"), QStringLiteral("gnsslog"));
}
constexpr qsizetype kRecentKept = 8;

// The kind choice's rows, in LiveSourceChoice's order.
const char* const kKindCaptions[] = {"tcp", "serial", "gpsd", "file being written"};

QLineEdit* makeField(const char* name, QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    return field;
}

}  // namespace

QStringList recentLiveSources()
{
    return settings().value(kRecentKey).toStringList();
}

void rememberLiveSource(const QString& text)
{
    QStringList recent = recentLiveSources();
    recent.removeAll(text);
    recent.prepend(text);
    while (recent.size() > kRecentKept) {
        recent.removeLast();
    }
    settings().setValue(kRecentKey, recent);
}

LiveSourceDialog::LiveSourceDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("LiveSourceDialog"));
    setWindowTitle(QStringLiteral("Open live source"));
    auto* form = new QFormLayout(this);
    recent_ = new QComboBox(this);
    recent_->setObjectName(QStringLiteral("Recent"));
    recent_->addItem(QString());
    recent_->addItems(recentLiveSources());
    kind_ = new QComboBox(this);
    kind_->setObjectName(QStringLiteral("Kind"));
    for (const char* caption : kKindCaptions) {
        kind_->addItem(QString::fromLatin1(caption));
    }
    host_ = makeField("Host", this);
    port_ = makeField("Port", this);
    device_ = makeField("Device", this);
    baud_ = makeField("Baud", this);
    baud_->setPlaceholderText(QString::number(kSerialDefaultBaud));
    file_ = makeField("File", this);
    form->addRow(QStringLiteral("Recently used:"), recent_);
    form->addRow(QStringLiteral("Source:"), kind_);
    form->addRow(QStringLiteral("Host:"), host_);
    form->addRow(QStringLiteral("Port:"), port_);
    form->addRow(QStringLiteral("Device:"), device_);
    form->addRow(QStringLiteral("Baud:"), baud_);
    form->addRow(QStringLiteral("File:"), file_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(kind_, &QComboBox::currentIndexChanged, this, [this] { enableFieldsOfKind(); });
    connect(recent_, &QComboBox::activated, this, [this](int index) { fillFromRecent(index); });
    enableFieldsOfKind();
    host_->setFocus();
}

void LiveSourceDialog::enableFieldsOfKind()
{
    const auto choice = static_cast<LiveSourceChoice>(kind_->currentIndex());
    const bool network = choice == LiveSourceChoice::Tcp || choice == LiveSourceChoice::Gpsd;
    host_->setEnabled(network);
    port_->setEnabled(network);
    device_->setEnabled(choice == LiveSourceChoice::Serial);
    baud_->setEnabled(choice == LiveSourceChoice::Serial);
    file_->setEnabled(choice == LiveSourceChoice::FollowedFile);
}

void LiveSourceDialog::fillFromRecent(int index)
{
    const SourceParse parse = parseSourceAddress(recent_->itemText(index).toStdString());
    if (index <= 0 || !parse.error.empty()) {
        return;
    }
    const SourceAddress& address = parse.address;
    switch (address.kind) {
    case SourceKind::Tcp:
    case SourceKind::Gpsd:
        kind_->setCurrentIndex(static_cast<int>(address.kind == SourceKind::Tcp ? LiveSourceChoice::Tcp
                                                                             : LiveSourceChoice::Gpsd));
        host_->setText(QString::fromStdString(address.host));
        port_->setText(QString::number(address.port));
        break;
    case SourceKind::Serial:
        kind_->setCurrentIndex(static_cast<int>(LiveSourceChoice::Serial));
        device_->setText(QString::fromStdString(address.path));
        baud_->setText(QString::number(address.baud));
        break;
    case SourceKind::FollowedFile:
        kind_->setCurrentIndex(static_cast<int>(LiveSourceChoice::FollowedFile));
        file_->setText(QString::fromStdString(address.path));
        break;
    }
}

QString LiveSourceDialog::sourceText() const
{
    LiveSourceFields fields;
    fields.choice = static_cast<LiveSourceChoice>(kind_->currentIndex());
    fields.host = host_->text().trimmed().toStdString();
    fields.port = port_->text().trimmed().toStdString();
    fields.device = device_->text().trimmed().toStdString();
    fields.baud = baud_->text().trimmed().toStdString();
    fields.file = file_->text().toStdString();
    return QString::fromStdString(liveSourceText(fields));
}

}  // namespace gnsslog
