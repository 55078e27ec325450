#include "plots/windows/CurveCheckBox.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

namespace gnsslog {

namespace {
const QColor kCaptionYellow(255, 255, 0);
}  // namespace

CurveCheckBox::CurveCheckBox(const QString& caption, QColor fill, QWidget* parent)
    : QCheckBox(caption, parent), fill_(fill)
{
    // Styles fill only the indicator from the palette, so the box paints its
    // own background; the palette still carries the colours for anyone
    // reading them.
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, fill_);
    palette.setColor(QPalette::WindowText, kCaptionYellow);
    setPalette(palette);
}

void CurveCheckBox::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.fillRect(rect(), fill_);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.palette.setColor(QPalette::Base, Qt::white);
    option.palette.setColor(QPalette::Window, fill_);
    option.palette.setColor(QPalette::Text, Qt::black);
    option.palette.setColor(QPalette::WindowText, kCaptionYellow);
    option.palette.setColor(QPalette::ButtonText, kCaptionYellow);
    style()->drawControl(QStyle::CE_CheckBox, &option, &painter, this);
}

}  // namespace gnsslog
