#include "plots/windows/PlotWindow.h"

#include <QCloseEvent>

namespace gnsslog {

TPlotWindow::TPlotWindow(const QString& caption)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowMinMaxButtonsHint)
{
    setWindowTitle(caption);
}

void TPlotWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    emit closeRequested();
}

}  // namespace gnsslog
