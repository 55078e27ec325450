#include "app/ProgressBar.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

#include <algorithm>

gnsslog::TFormProgress* FormProgress = nullptr;

namespace gnsslog {

TFormProgress::TFormProgress(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("FormProgress"));
    setWindowTitle(QStringLiteral("FormProgress"));
    setFixedSize(394, 76);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::black);
    colours.setColor(QPalette::WindowText, Qt::white);
    setPalette(colours);
    setAutoFillBackground(true);

    Label1 = new QLabel(QStringLiteral("Label1"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(176, 5, 31, 13);
    Label1->setVisible(false);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setOrientation(Qt::Horizontal);
    ProgressBar1->setGeometry(16, 24, 361, 25);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);

    centreOnDesktop();
}

void TFormProgress::centreOnDesktop()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desktop = screen->availableGeometry();
        move(desktop.center() - QPoint(width() / 2, height() / 2));
    }
}

void TFormProgress::showEvent(QShowEvent* event)
{
    centreOnDesktop();
    QWidget::showEvent(event);
}

void TFormProgress::UpdateProgress(const char* text, std::int32_t position, std::int32_t total)
{
    showCounts(text, position, total);
    QCoreApplication::processEvents();
    repaint();
}

void TFormProgress::StartAtZero()
{
    Label1->setVisible(false);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
}

void TFormProgress::ShowReport(const char* text, std::int32_t position, std::int32_t total)
{
    showCounts(text, position, total);
    if (position == 0 && total != 0) {
        Label1->setText(QString::asprintf("0 / %d", total));
        Label1->adjustSize();
    }
}

// position, total -> what changes:
//   0, 0          reset: count hidden, bar 0..100 at 0
//   0, n          a phase starts: count shown (old text), bar 0..n at 0
//   p, n          progress: bar at p, count "p / n"; visibility unchanged
void TFormProgress::showCounts(const char* text, std::int32_t position, std::int32_t total)
{
    setWindowTitle(QString::fromUtf8(text ? text : ""));
    if (position == 0 && total == 0) {
        Label1->setVisible(false);
        ProgressBar1->setRange(0, 100);
        ProgressBar1->setValue(0);
    } else if (position == 0) {
        Label1->setVisible(true);
        ProgressBar1->setRange(0, total);
        ProgressBar1->setValue(0);
    } else {
        // A bar control clamps a position outside its range; Qt's would
        // ignore it and keep showing a stale position.
        ProgressBar1->setValue(std::clamp(position, ProgressBar1->minimum(), ProgressBar1->maximum()));
        Label1->setText(QString::asprintf("%d / %d", position, total));
        Label1->adjustSize();  // grows to the right from its fixed left edge
    }
}

}  // namespace gnsslog
