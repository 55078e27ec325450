// A drawing canvas over a QImage with the pixel rules of the Windows GDI
// canvas the plots were designed on, so pictures match pixel for pixel:
//
// - fillRect and rectangle cover x1..x2-1, y1..y2-1: the right and bottom
//   edges are excluded. rectangle() normalises swapped corners first (a bar
//   whose second y lies above its first) and draws its 1-pixel outline on
//   the outermost covered pixels, the brush inside. An empty rectangle
//   draws nothing.
// - lineTo draws from the pen position up to, but excluding, the end pixel
//   (Bresenham), and moves the pen there. A pen of width w widens a line
//   across its major axis to the pixels p - w/2 .. p - w/2 + w - 1.
// - A dotted pen sets every other pixel, starting with the first of each
//   line; the gaps leave the image as it was.
// - textOut fills the text's cell (advance x font height) with the text
//   background, then draws the text without antialiasing in the platform's
//   general font (whatever font the application sets), its cell's top-left
//   corner at (x, y).
// Pixels outside the image are clipped. No antialiasing anywhere.
#pragma once

#include <QFont>
#include <QImage>
#include <QString>

namespace gnsslog {

class Canvas {
public:
    // Converts the image to a 32-bit RGB format if it is not one already.
    explicit Canvas(QImage& image);

    int width() const noexcept { return image_.width(); }
    int height() const noexcept { return image_.height(); }

    void setPen(unsigned rgb, int width = 1, bool dotted = false) noexcept;
    void setBrush(unsigned rgb) noexcept { brush_ = rgb; }

    void fillRect(int x1, int y1, int x2, int y2, unsigned rgb) noexcept;
    void rectangle(int x1, int y1, int x2, int y2) noexcept;
    void moveTo(int x, int y) noexcept;
    void lineTo(int x, int y) noexcept;
    void textOut(int x, int y, const QString& text);
    // As textOut, in a smaller size of the font where the text would be
    // wider than maxWidth pixels (not below 5 points or 7 pixels).
    void textOut(int x, int y, const QString& text, int maxWidth);
    // Text centred in the rectangle x1..x2-1, y1..y2-1 and cut into lines
    // between its words where it is wider, on the image as it is.
    void textCentred(int x1, int y1, int x2, int y2, const QString& text);
    // Width in pixels of the cell textOut fills for text.
    int textWidth(const QString& text) const;

private:
    void plot(int x, int y, unsigned rgb) noexcept;
    void plotWide(int x, int y, bool xMajor) noexcept;
    void drawText(int x, int y, const QString& text, const QFont& font);

    QImage& image_;
    unsigned pen_ = 0x000000;
    int penWidth_ = 1;
    bool dotted_ = false;
    unsigned brush_ = 0xFFFFFF;
    int penX_ = 0;
    int penY_ = 0;
};

}  // namespace gnsslog
