// A check box of the error plot: the whole box filled with its curve's
// colour and captioned in yellow, its tick drawn on white so that it shows
// on every curve colour.
#pragma once

#include <QCheckBox>
#include <QColor>
#include <QString>

namespace gnsslog {

class CurveCheckBox : public QCheckBox {
public:
    CurveCheckBox(const QString& caption, QColor fill, QWidget* parent);

    QColor fill() const { return fill_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_;
};

}  // namespace gnsslog
