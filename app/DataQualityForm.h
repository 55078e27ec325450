// The "Data quality" window: what the last analysis found out about the
// log itself. It opens only when the user asks for it.
#pragma once

#include <string>
#include <vector>

#include <QWidget>

#include "log/quality/DataQuality.h"

class QPlainTextEdit;

namespace gnsslog {

class TDataQualityForm : public QWidget {
    Q_OBJECT

public:
    explicit TDataQualityForm(QWidget* owner);

    // Shows quality's figures; null: no log has been analysed yet.
    void SetQuality(const DataQuality* quality);
    // The lines shown, each whole however the window cuts it.
    QString text() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Fills Text with the lines cut between items to the window's width.
    void showLines();

    QPlainTextEdit* Text = nullptr;
    std::vector<std::string> lines_;
};

}  // namespace gnsslog
