#include "plots/draw/CanvasPainter.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>

namespace gnsslog {

Canvas::Canvas(QImage& image) : image_(image)
{
    const QImage::Format format = image_.format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
        format != QImage::Format_ARGB32_Premultiplied) {
        image_ = image_.convertToFormat(QImage::Format_RGB32);
    }
}

void Canvas::setPen(unsigned rgb, int width, bool dotted) noexcept
{
    pen_ = rgb;
    penWidth_ = std::max(width, 1);
    dotted_ = dotted;
}

void Canvas::plot(int x, int y, unsigned rgb) noexcept
{
    if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) {
        return;
    }
    // Opaque in every accepted format, premultiplied or not.
    reinterpret_cast<std::uint32_t*>(image_.scanLine(y))[x] = 0xFF000000u | (rgb & 0xFFFFFFu);
}

void Canvas::fillRect(int x1, int y1, int x2, int y2, unsigned rgb) noexcept
{
    const int left = std::max(x1, 0);
    const int top = std::max(y1, 0);
    const int right = std::min(x2, image_.width());
    const int bottom = std::min(y2, image_.height());
    for (int y = top; y < bottom; ++y) {
        auto* line = reinterpret_cast<std::uint32_t*>(image_.scanLine(y));
        std::fill(line + left, line + std::max(left, right), 0xFF000000u | (rgb & 0xFFFFFFu));
    }
}

void Canvas::rectangle(int x1, int y1, int x2, int y2) noexcept
{
    const int left = std::min(x1, x2);
    const int right = std::max(x1, x2);
    const int top = std::min(y1, y2);
    const int bottom = std::max(y1, y2);
    if (left == right || top == bottom) {
        return;
    }
    fillRect(left, top, right, bottom, brush_);
    fillRect(left, top, right, top + 1, pen_);
    fillRect(left, bottom - 1, right, bottom, pen_);
    fillRect(left, top, left + 1, bottom, pen_);
    fillRect(right - 1, top, right, bottom, pen_);
}

void Canvas::moveTo(int x, int y) noexcept
{
    penX_ = x;
    penY_ = y;
}

void Canvas::plotWide(int x, int y, bool xMajor) noexcept
{
    const int from = -(penWidth_ / 2);
    for (int i = from; i < from + penWidth_; ++i) {
        if (xMajor) {
            plot(x, y + i, pen_);
        } else {
            plot(x + i, y, pen_);
        }
    }
}

void Canvas::lineTo(int x, int y) noexcept
{
    // Bresenham in 64 bits: coordinates come from saturated conversions and
    // may lie far outside the image. Steps outside it are only counted.
    std::int64_t cx = penX_;
    std::int64_t cy = penY_;
    const std::int64_t dx = std::llabs(static_cast<std::int64_t>(x) - cx);
    const std::int64_t dy = std::llabs(static_cast<std::int64_t>(y) - cy);
    const int sx = cx < x ? 1 : -1;
    const int sy = cy < y ? 1 : -1;
    const bool xMajor = dx >= dy;
    const std::int64_t steps = xMajor ? dx : dy;
    std::int64_t error = dx - dy;
    // The plots only draw lines inside or near their image. A line far
    // longer than the image can only come from absurd coordinates; it is
    // skipped rather than walked pixel by pixel for seconds.
    const std::int64_t limit = 4 * (static_cast<std::int64_t>(image_.width()) + image_.height()) + 64;
    if (steps > limit) {
        moveTo(x, y);
        return;
    }
    for (std::int64_t i = 0; i < steps; ++i) {  // the end pixel is excluded
        if (!dotted_ || i % 2 == 0) {
            plotWide(static_cast<int>(cx), static_cast<int>(cy), xMajor);
        }
        const std::int64_t twice = 2 * error;
        if (twice > -dy) {
            error -= dy;
            cx += sx;
        }
        if (twice < dx) {
            error += dx;
            cy += sy;
        }
    }
    moveTo(x, y);
}

namespace {

// The platform's font, not the application's: the windows' font must not
// change the pictures, which the report tool draws without windows.
QFont canvasFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

}  // namespace

int Canvas::textWidth(const QString& text) const
{
    return QFontMetrics(canvasFont()).horizontalAdvance(text);
}

void Canvas::textOut(int x, int y, const QString& text)
{
    drawText(x, y, text, canvasFont());
}

void Canvas::textOut(int x, int y, const QString& text, int maxWidth)
{
    QFont font = canvasFont();
    // A font wider than the one the layout was designed for: smaller
    // text rather than text cut at the image's edge.
    constexpr double kSmallestPoints = 5.0;
    constexpr double kStepPoints = 0.5;
    constexpr int kSmallestPixels = 7;
    while (QFontMetrics(font).horizontalAdvance(text) > maxWidth) {
        if (font.pixelSize() > 0) {  // a font sized in pixels has no point size
            if (font.pixelSize() <= kSmallestPixels) {
                break;
            }
            font.setPixelSize(font.pixelSize() - 1);
        } else {
            if (font.pointSizeF() <= kSmallestPoints) {
                break;
            }
            font.setPointSizeF(std::max(kSmallestPoints, font.pointSizeF() - kStepPoints));
        }
    }
    drawText(x, y, text, font);
}

void Canvas::drawText(int x, int y, const QString& text, const QFont& font)
{
    const QFontMetrics metrics(font);
    fillRect(x, y, x + metrics.horizontalAdvance(text), y + metrics.height(), 0xFFFFFF);
    QPainter painter(&image_);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setFont(font);
    painter.setPen(QColor(0, 0, 0));
    painter.drawText(x, y + metrics.ascent(), text);
}

void Canvas::textCentred(int x1, int y1, int x2, int y2, const QString& text)
{
    QPainter painter(&image_);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setFont(canvasFont());
    painter.setPen(QColor(0, 0, 0));
    painter.drawText(QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)), Qt::AlignCenter | Qt::TextWordWrap, text);
}

}  // namespace gnsslog
