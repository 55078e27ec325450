// A panel of the error plot's status bar: its designed width, and a text
// that does not fit is elided instead of running past the panel's edges
// under its neighbours. text() stays the full text.
#pragma once

#include <QLabel>
#include <QString>

namespace gnsslog {

class StatusPanel : public QLabel {
public:
    StatusPanel(const QString& text, int designedWidth, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace gnsslog
