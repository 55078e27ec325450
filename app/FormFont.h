// The font the windows were designed with, set once for the application.
#pragma once

#include <QFont>

namespace gnsslog {

// Tahoma at 11 pixels (8 points at 96 dpi).
QFont formFont();

// Makes formFont() the application's font, so every window and control
// uses it. Call once the QApplication exists, before windows are made.
// Pictures drawn into a QImage do not follow it: their text keeps the
// platform's general font (see plots/draw/CanvasPainter.h).
void setFormFontForApplication();

// Where the system has no Tahoma, registers a Tahoma-metric font file
// (Debian's fonts-wine installs one) with the application, so texts take
// the widths the windows were designed for. True when Tahoma is there
// afterwards. Call once the QApplication exists.
bool registerDesignedFont();

}  // namespace gnsslog
