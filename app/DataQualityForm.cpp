#include "app/DataQualityForm.h"

#include <algorithm>

#include <QFontDatabase>
#include <QEvent>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "log/quality/DataQualityText.h"

namespace gnsslog {

namespace {

constexpr int kWidthPixels = 640;
constexpr int kHeightPixels = 220;
constexpr int kFewestColumns = 20;  // narrower windows scroll sideways

}  // namespace

TDataQualityForm::TDataQualityForm(QWidget* owner) : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("DataQualityForm"));
    setWindowTitle(QStringLiteral("Data quality"));
    Text = new QPlainTextEdit(this);
    Text->setObjectName(QStringLiteral("Text"));
    Text->setReadOnly(true);
    // Cut between items by showLines(), not between any two words.
    Text->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Text->viewport()->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(Text);
    resize(kWidthPixels, kHeightPixels);
    SetQuality(nullptr);
}

void TDataQualityForm::SetQuality(const DataQuality* quality)
{
    if (quality == nullptr) {
        lines_ = {"No log has been analysed yet."};
    } else {
        lines_ = dataQualityLines(*quality);
    }
    showLines();
}

void TDataQualityForm::showLines()
{
    // The font is fixed-width: the viewport's width in characters, less
    // one for the text's margin.
    const int advance = std::max(1, Text->fontMetrics().horizontalAdvance(QLatin1Char('0')));
    const int width = Text->viewport()->width() - 2 * static_cast<int>(Text->document()->documentMargin());
    const auto columns = static_cast<std::size_t>(std::max(kFewestColumns, width / advance - 1));
    QString text;
    for (const std::string& line : lines_) {
        for (const std::string& part : wrapBetweenItems(line, columns)) {
            text += QString::fromStdString(part) + QLatin1Char('\n');
        }
    }
    if (text != Text->toPlainText()) {
        Text->setPlainText(text);
    }
}

bool TDataQualityForm::eventFilter(QObject* watched, QEvent* event)
{
    // The text's own width, set by the layout once the window is shown.
    if (watched == Text->viewport() && event->type() == QEvent::Resize) {
        showLines();
    }
    return QWidget::eventFilter(watched, event);
}

QString TDataQualityForm::text() const
{
    QString text;
    for (const std::string& line : lines_) {
        text += QString::fromStdString(line) + QLatin1Char('\n');
    }
    return text;
}

}  // namespace gnsslog
