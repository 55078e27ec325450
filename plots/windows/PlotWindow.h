// What every plot window shares: a top-level window of its own (no Qt
// parent: only the main window destroys it) with a caption and minimise
// and maximise buttons, whose close button only asks to be closed.
#pragma once

#include <QString>
#include <QWidget>

class QCloseEvent;

namespace gnsslog {

class TPlotWindow : public QWidget {
    Q_OBJECT
public:
    explicit TPlotWindow(const QString& caption);

signals:
    // The window manager's close button (drawn even where the window asks
    // for none) was pressed. The window stays: its owner hides it through
    // the same path as its View item, so the item's check follows.
    void closeRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
};

}  // namespace gnsslog
