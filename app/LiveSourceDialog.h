// File > "Open live source...": the kind of source, its address and the
// sources used recently (kept with QSettings).
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QComboBox;
class QLineEdit;

namespace gnsslog {

class LiveSourceDialog : public QDialog {
    Q_OBJECT

public:
    explicit LiveSourceDialog(QWidget* parent);

    // The source text in the report tool's syntax, from the fields.
    QString sourceText() const;

private:
    void enableFieldsOfKind();
    void fillFromRecent(int index);

    QComboBox* recent_ = nullptr;
    QComboBox* kind_ = nullptr;
    QLineEdit* host_ = nullptr;
    QLineEdit* port_ = nullptr;
    QLineEdit* device_ = nullptr;
    QLineEdit* baud_ = nullptr;
    QLineEdit* file_ = nullptr;
};

// The sources opened last, the newest first.
QStringList recentLiveSources();
// Puts text first among the recent sources, keeping a few.
void rememberLiveSource(const QString& text);

}  // namespace gnsslog
