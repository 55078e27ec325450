#include "plots/windows/StatusPanel.h"

#include <QFontMetrics>
#include <QPainter>

namespace gnsslog {

namespace {
constexpr int TextMargin = 2;  // pixels left and right of the text
}  // namespace

StatusPanel::StatusPanel(const QString& text, int designedWidth, QWidget* parent)
    : QLabel(text, parent), designedWidth_(designedWidth)
{
    resize(designedWidth_, sizeHint().height());
}

void StatusPanel::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    const QRect area = contentsRect().adjusted(TextMargin, 0, -TextMargin, 0);
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(area, static_cast<int>(alignment()), shown);
}

}  // namespace gnsslog
