#include "plots/windows/SessionsPlot.h"

#include <algorithm>
#include <string>

#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QResizeEvent>
#include <QTableWidget>

#include "metrics/WrongFixes.h"
#include "plots/draw/SessionsPainter.h"
#include "plots/series/SessionTable.h"

namespace gnsslog {

namespace {

// Client sizes, pixels: the two pictures side by side over the summary
// and a table of some fifteen sessions.
constexpr int kDesignedClientWidth = 1000;
constexpr int kDesignedClientHeight = 720;
constexpr int kSmallestClientWidth = 560;
constexpr int kSmallestClientHeight = 420;
constexpr int kMargin = 10;
constexpr double kPictureShare = 0.42;  // of the client height, for the pictures
constexpr int kSmallestPictureHeight = 120;

QString text(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

std::shared_ptr<const SessionAnalysis> orEmpty(std::shared_ptr<const SessionAnalysis> sessions)
{
    return sessions ? std::move(sessions) : std::make_shared<const SessionAnalysis>();
}

}  // namespace

TSessionsForm::TSessionsForm(const QString& caption, const GNSSLog* analysis,
                             std::shared_ptr<const SessionAnalysis> sessions)
    : TPlotWindow(caption)
{
    LanesImage = new TImage(this);
    LanesImage->setObjectName(QStringLiteral("LanesImage"));
    CdfImage = new TImage(this);
    CdfImage->setObjectName(QStringLiteral("CdfImage"));
    SummaryLabel = new QLabel(this);
    SummaryLabel->setObjectName(QStringLiteral("SummaryLabel"));
    SummaryLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    SummaryLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Table = new QTableWidget(this);
    Table->setObjectName(QStringLiteral("Table"));
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->verticalHeader()->setVisible(false);
    // Columns as wide as their texts; a narrow window scrolls sideways.
    Table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Table->setWordWrap(false);
    Table->setTextElideMode(Qt::ElideNone);
    setMinimumSize(kSmallestClientWidth, kSmallestClientHeight);
    resize(kDesignedClientWidth, kDesignedClientHeight);
    SetAnalysis(analysis, std::move(sessions));
}

void TSessionsForm::SetAnalysis(const GNSSLog* analysis, std::shared_ptr<const SessionAnalysis> sessions)
{
    Analysis = analysis;
    Sessions = orEmpty(Analysis != nullptr ? std::move(sessions) : nullptr);
    fillTable();
    layOut();  // the summary's height follows its lines
}

void TSessionsForm::fillTable()
{
    std::string summary;
    for (const std::string& line : sessionSummaryLines(Sessions->summary, kDefaultWrongFixThreshold)) {
        summary += (summary.empty() ? "" : "\n") + line;
    }
    SummaryLabel->setText(Analysis != nullptr ? text(summary) : QString());
    const std::vector<std::string> header = sessionTableHeader();
    const std::vector<std::vector<std::string>> rows = sessionRows(*Sessions);
    Table->clear();
    Table->setColumnCount(static_cast<int>(header.size()));
    Table->setRowCount(static_cast<int>(rows.size()));
    QStringList headings;
    for (const std::string& heading : header) {
        headings << text(heading);
    }
    Table->setHorizontalHeaderLabels(headings);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            auto* item = new QTableWidgetItem(text(rows[r][c]));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            Table->setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    }
    Table->resizeColumnsToContents();
    Table->resizeRowsToContents();
}

void TSessionsForm::DrawPlots()
{
    if (!LanesImage->fitBitmapToControl() || !CdfImage->fitBitmapToControl()) {
        return;
    }
    if (Analysis == nullptr) {
        LanesImage->Bitmap.fill(Qt::white);
        CdfImage->Bitmap.fill(Qt::white);
    } else {
        paintSessionLanes(LanesImage->Bitmap, Analysis->records, Sessions->sessions);
        paintTimeToFixCdf(CdfImage->Bitmap, Sessions->sessions);
    }
    LanesImage->update();
    CdfImage->update();
}

void TSessionsForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layOut();
}

void TSessionsForm::layOut()
{
    const int pictureWidth = std::max(1, (width() - 3 * kMargin) / 2);
    const int pictureHeight =
        std::max(kSmallestPictureHeight, static_cast<int>((height() - 4 * kMargin) * kPictureShare));
    LanesImage->setGeometry(kMargin, kMargin, pictureWidth, pictureHeight);
    CdfImage->setGeometry(2 * kMargin + pictureWidth, kMargin, pictureWidth, pictureHeight);
    const int summaryTop = 2 * kMargin + pictureHeight;
    const int summaryHeight = SummaryLabel->sizeHint().height();
    SummaryLabel->setGeometry(kMargin, summaryTop, std::max(1, width() - 2 * kMargin), summaryHeight);
    const int tableTop = summaryTop + summaryHeight + kMargin;
    Table->setGeometry(kMargin, tableTop, std::max(1, width() - 2 * kMargin),
                       std::max(1, height() - tableTop - kMargin));
    DrawPlots();
}


}  // namespace gnsslog
