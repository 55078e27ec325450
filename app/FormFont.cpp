#include "app/FormFont.h"

#include <QApplication>

namespace gnsslog {

QFont formFont()
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    return font;
}

void setFormFontForApplication()
{
    QApplication::setFont(formFont());
}

}  // namespace gnsslog
