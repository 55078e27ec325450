// A panel of the error plot's status bar, at its designed width until its
// window places it; a text that does not fit is elided instead of running
// past the panel's edges under its neighbours. text() stays the full text.
#pragma once

#include <QLabel>
#include <QString>

namespace gnsslog {

class StatusPanel : public QLabel {
public:
    StatusPanel(const QString& text, int designedWidth, QWidget* parent);

    int designedWidth() const noexcept { return designedWidth_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int designedWidth_;
};

}  // namespace gnsslog
