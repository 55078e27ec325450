#include "app/DataQualityForm.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "log/quality/DataQualityText.h"

namespace gnsslog {

namespace {

constexpr int kWidthPixels = 640;
constexpr int kHeightPixels = 220;

}  // namespace

TDataQualityForm::TDataQualityForm(QWidget* owner) : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("DataQualityForm"));
    setWindowTitle(QStringLiteral("Data quality"));
    Text = new QPlainTextEdit(this);
    Text->setObjectName(QStringLiteral("Text"));
    Text->setReadOnly(true);
    Text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(Text);
    resize(kWidthPixels, kHeightPixels);
    SetQuality(nullptr);
}

void TDataQualityForm::SetQuality(const DataQuality* quality)
{
    if (quality == nullptr) {
        Text->setPlainText(QStringLiteral("No log has been analysed yet."));
        return;
    }
    QString text;
    for (const std::string& line : dataQualityLines(*quality)) {
        text += QString::fromStdString(line) + QLatin1Char('\n');
    }
    Text->setPlainText(text);
}

QString TDataQualityForm::text() const
{
    return Text->toPlainText();
}

}  // namespace gnsslog
