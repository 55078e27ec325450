// The forms' image control: holds the bitmap that all drawing goes into,
// and only copies it to the screen when painted.
#pragma once

#include <functional>
#include <utility>

#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

namespace gnsslog {

class TImage : public QWidget {
public:
    explicit TImage(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

    QImage Bitmap;
    // Makes Bitmap as large as the control (contents undefined after a
    // change); false when there is none, for lack of size or of memory.
    bool fitBitmapToControl()
    {
        if (Bitmap.size() != size()) {
            Bitmap = QImage(size(), QImage::Format_RGB32);
        }
        return !Bitmap.isNull();
    }
    // Mouse move in image pixels, with or without a button held.
    std::function<void(int x, int y)> OnMouseMove;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(this);
        painter.drawImage(event->rect().topLeft(), Bitmap, event->rect());
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (OnMouseMove) {
            const QPoint at = event->position().toPoint();
            OnMouseMove(at.x(), at.y());
        }
        QWidget::mouseMoveEvent(event);
    }
};

}  // namespace gnsslog
