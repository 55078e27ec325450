#include "app/LiveSourceDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>

#include <algorithm>
#include <string>

#include "app/LiveSourceText.h"
#include "live/SourceAddress.h"

namespace gnsslog {

namespace {

const QString kRecentKey = QStringLiteral("liveSources/recent");
// Beside kRecentKey, one per source: an older file without it reads as
// temporary archives.
const QString kRecentArchivesKey = QStringLiteral("liveSources/recentArchives");

// The application sets no organisation: its own folder, not "Unknown Organization".
QSettings settings()
{
    return QSettings(QStringLiteral("gnsslog"), QStringLiteral("gnsslog"));
}
constexpr qsizetype kRecentKept = 8;
constexpr int kArchiveFieldChars = 40;  // the archive field's least width, in average characters

// The kind choice's rows, in LiveSourceChoice's order.
const char* const kKindCaptions[] = {"tcp", "serial", "gpsd", "file being written"};

QLineEdit* makeField(const char* name, QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    return field;
}

}  // namespace

RecentLiveSources recentLiveSources()
{
    const QSettings stored = settings();
    RecentLiveSources recent{stored.value(kRecentKey).toStringList(), stored.value(kRecentArchivesKey).toStringList()};
    recent.archives.resize(recent.sources.size());
    return recent;
}

RecentLiveSources withLiveSourceFirst(RecentLiveSources recent, const QString& text, const QString& archive,
                                      qsizetype kept)
{
    recent.archives.resize(recent.sources.size());
    for (qsizetype i = recent.sources.size() - 1; i >= 0; --i) {
        if (recent.sources[i] == text) {
            recent.sources.removeAt(i);
            recent.archives.removeAt(i);
        }
    }
    recent.sources.prepend(text);
    recent.archives.prepend(archive);
    const qsizetype size = std::min(recent.sources.size(), std::max<qsizetype>(kept, 0));
    recent.sources.resize(size);
    recent.archives.resize(size);
    return recent;
}

void rememberLiveSource(const QString& text, const QString& archive)
{
    const RecentLiveSources recent = withLiveSourceFirst(recentLiveSources(), text, archive, kRecentKept);
    QSettings stored = settings();
    stored.setValue(kRecentKey, recent.sources);
    stored.setValue(kRecentArchivesKey, recent.archives);
}

LiveSourceDialog::LiveSourceDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("LiveSourceDialog"));
    setWindowTitle(QStringLiteral("Open live source"));
    auto* form = new QFormLayout(this);
    recent_ = new QComboBox(this);
    recent_->setObjectName(QStringLiteral("Recent"));
    recent_->addItem(QString());
    recent_->addItems(recentLiveSources().sources);
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
    archive_ = makeField("Archive", this);
    archive_->setPlaceholderText(QStringLiteral("a temporary file, removed at Stop"));
    // Room for a path, not only its end.
    archive_->setMinimumWidth(archive_->fontMetrics().averageCharWidth() * kArchiveFieldChars);
    browse_ = new QPushButton(QStringLiteral("Browse..."), this);
    browse_->setObjectName(QStringLiteral("BrowseArchive"));
    auto* archiveRow = new QHBoxLayout;
    archiveRow->addWidget(archive_, 1);
    archiveRow->addWidget(browse_);
    form->addRow(QStringLiteral("Recently used:"), recent_);
    form->addRow(QStringLiteral("Source:"), kind_);
    form->addRow(QStringLiteral("Host:"), host_);
    form->addRow(QStringLiteral("Port:"), port_);
    form->addRow(QStringLiteral("Device:"), device_);
    form->addRow(QStringLiteral("Baud:"), baud_);
    form->addRow(QStringLiteral("File:"), file_);
    form->addRow(QStringLiteral("Archive:"), archiveRow);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(kind_, &QComboBox::currentIndexChanged, this, [this] { enableFieldsOfKind(); });
    connect(recent_, &QComboBox::activated, this, [this](int index) { fillFromRecent(index); });
    connect(browse_, &QPushButton::clicked, this, [this] { browseForArchive(); });
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
    const RecentLiveSources recent = recentLiveSources();
    const qsizetype row = index - 1;  // below the empty first row
    archive_->setText(row < recent.archives.size() ? recent.archives[row] : QString());
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

QString LiveSourceDialog::archivePath() const
{
    const QString text = archive_->text();
    return text.isEmpty() ? QString() : QFileInfo(text).absoluteFilePath();
}

void LiveSourceDialog::browseForArchive()
{
    // Qt's own dialog, as the open-file dialog: the same on every desktop.
    // Saving, it asks before a file that exists is chosen.
    QFileDialog dialog(this, QStringLiteral("Archive of the live source"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (const QString current = archivePath(); !current.isEmpty()) {
        dialog.selectFile(current);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    agreedArchive_ = QFileInfo(dialog.selectedFiles().front()).absoluteFilePath();
    archive_->setText(QDir::toNativeSeparators(agreedArchive_));
    // Return now starts, rather than pressing "Browse..." again.
    ok_->setFocus();
}

void LiveSourceDialog::accept()
{
    const QString archive = archivePath();
    if (!archive.isEmpty() && archive != agreedArchive_ && QFileInfo::exists(archive)) {
        // The save dialog's own question, for a name typed or remembered.
        const auto answer = QMessageBox::warning(
            this, windowTitle(),
            QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(QFileInfo(archive).fileName()),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes) {
            return;
        }
        agreedArchive_ = archive;
    }
    QDialog::accept();
}

}  // namespace gnsslog
