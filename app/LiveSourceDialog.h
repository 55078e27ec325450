// File > "Open live source...": the kind of source, its address, the
// archive file and the sources used recently (kept with QSettings).
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace gnsslog {

class LiveSourceDialog : public QDialog {
    Q_OBJECT

public:
    explicit LiveSourceDialog(QWidget* parent);

    // The source text in the report tool's syntax, from the fields.
    QString sourceText() const;
    // The archive file named, made absolute; empty for a temporary one.
    QString archivePath() const;

    // OK: an archive that exists is replaced only once the user agrees,
    // unless "Browse..." asked already.
    void accept() override;

private:
    void enableFieldsOfKind();
    void fillFromRecent(int index);
    void browseForArchive();

    QComboBox* recent_ = nullptr;
    QComboBox* kind_ = nullptr;
    QLineEdit* host_ = nullptr;
    QLineEdit* port_ = nullptr;
    QLineEdit* device_ = nullptr;
    QLineEdit* baud_ = nullptr;
    QLineEdit* file_ = nullptr;
    QLineEdit* archive_ = nullptr;
    QPushButton* browse_ = nullptr;
    QPushButton* ok_ = nullptr;
    QString agreedArchive_;  // chosen in the save dialog, which asked about replacing it
};

// The sources opened last, the newest first, each beside the archive it
// was kept in (empty: a temporary one).
struct RecentLiveSources {
    QStringList sources;
    QStringList archives;  // as many as sources
};

RecentLiveSources recentLiveSources();
// Puts text first among the recent sources with its archive, keeping a few.
void rememberLiveSource(const QString& text, const QString& archive);
// recent with text first and archive beside it, once, and at most kept
// sources.
RecentLiveSources withLiveSourceFirst(RecentLiveSources recent, const QString& text, const QString& archive,
                                      qsizetype kept);

}  // namespace gnsslog
