// Captions of the windows the main window opens, and how it keeps them:
// shared by the load and the View menu.
#pragma once

#include <QAction>
#include <QObject>
#include <QPointer>
#include <QString>

namespace gnsslog {

inline const QString kCaptionX = QStringLiteral("X histogram");
inline const QString kCaptionY = QStringLiteral("Y histogram");
inline const QString kCaptionZ = QStringLiteral("Z histogram");
inline const QString kCaption3DFix = QStringLiteral("3D RTK-FIX position");
inline const QString kCaption3DRtkx = QStringLiteral("3D RTK-X position");
inline const QString kCaptionErrorPlot = QStringLiteral("XYZ plotter window");
inline const QString kCaptionScatter = QStringLiteral("Scatter plot");
inline const QString kCaptionCdf = QStringLiteral("Error CDF");
inline const QString kCaptionTrack = QStringLiteral("Track");
inline const QString kCaptionSessions = QStringLiteral("Sessions");
inline const QString kCaptionStanford = QStringLiteral("Stanford plot");

template <typename Window>
void destroyWindow(QPointer<Window>& field)
{
    delete field.data();
    field = nullptr;
}

// A window closed from its frame goes the way its View item takes it: the
// item is chosen, so its check and the window's existence stay in step.
// Queued, so the window is not destroyed inside its own close event.
template <typename Window>
void closeThroughViewItem(Window* window, QAction* viewItem)
{
    QObject::connect(
        window, &Window::closeRequested, viewItem,
        [viewItem, shown = QPointer<Window>(window)] {
            if (shown && viewItem->isChecked()) {
                viewItem->trigger();
            }
        },
        Qt::QueuedConnection);
}

}  // namespace gnsslog
