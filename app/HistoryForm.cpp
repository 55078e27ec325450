#include "app/HistoryForm.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <string>
#include <vector>

#include "app/HistoryTrendImage.h"
#include "history/HistoryDatabase.h"
#include "history/HistoryDayTable.h"
#include "history/HistoryTrend.h"

namespace gnsslog {

namespace {

// The window's first size: the picture at the report's 800 x 500 pixels
// with the table below it, pixels.
constexpr int kWidthPixels = 820;
constexpr int kHeightPixels = 860;
constexpr int kTableHeightPixels = 260;
constexpr int kMargin = 4;
// The days' text, as the history and gnsslog-report write it.
const QString kDayFormat = QStringLiteral("yyyy-MM-dd");

QString text(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QString counted(std::size_t count, const char* noun)
{
    return QString::number(count) + QLatin1Char(' ') + QLatin1String(noun) +
           (count == 1 ? QString() : QStringLiteral("s"));
}

std::string dayOf(const QDateEdit& edit) { return edit.date().toString(Qt::ISODate).toStdString(); }

// A day of the history as a date; today's for "" or a day no date.
QDate dateOf(const std::string& day)
{
    const QDate date = QDate::fromString(text(day), Qt::ISODate);
    return date.isValid() ? date : QDate::currentDate();
}

QDateEdit* makeDateEdit(QWidget* parent, const char* name)
{
    auto* edit = new QDateEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setDisplayFormat(kDayFormat);
    edit->setCalendarPopup(true);
    return edit;
}

void fillTable(QTableWidget& table, const TextTable& days)
{
    table.clear();
    table.setColumnCount(static_cast<int>(days.header.size()));
    table.setRowCount(static_cast<int>(days.rows.size()));
    QStringList header;
    for (const std::string& heading : days.header) {
        header << text(heading);
    }
    table.setHorizontalHeaderLabels(header);
    for (std::size_t r = 0; r < days.rows.size(); ++r) {
        for (std::size_t c = 0; c < days.rows[r].size(); ++c) {
            auto* item = new QTableWidgetItem(text(days.rows[r][c]));
            item->setTextAlignment(c == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignRight | Qt::AlignVCenter);
            table.setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    }
    table.resizeColumnsToContents();
    table.resizeRowsToContents();
}

}  // namespace

// Above the always-on-top main window, as the Compare logs window is.
THistoryForm::THistoryForm(QWidget* owner, const QString& fileName, std::unique_ptr<HistoryDatabase> database)
    : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint), fileName_(fileName), database_(std::move(database))
{
    setObjectName(QStringLiteral("HistoryForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("History - ") + QFileInfo(fileName).fileName());
    createControls();
    fillFilters();
    showFiltered();
    // Connected only now, so filling the filters does not read the file once per control.
    connect(SourceBox, &QComboBox::currentIndexChanged, this, [this] { SourceBoxChange(); });
    connect(FromDate, &QDateEdit::dateChanged, this, [this] { FromDateChange(); });
    connect(ToDate, &QDateEdit::dateChanged, this, [this] { ToDateChange(); });
    resize(kWidthPixels, kHeightPixels);
}

THistoryForm::~THistoryForm() = default;

void THistoryForm::createControls()
{
    SourceBox = new QComboBox(this);
    SourceBox->setObjectName(QStringLiteral("SourceBox"));
    SourceBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    FromDate = makeDateEdit(this, "FromDate");
    ToDate = makeDateEdit(this, "ToDate");
    auto* filters = new QHBoxLayout;
    filters->addWidget(new QLabel(QStringLiteral("Source"), this));
    filters->addWidget(SourceBox, 1);
    filters->addSpacing(2 * kMargin);
    filters->addWidget(new QLabel(QStringLiteral("From"), this));
    filters->addWidget(FromDate);
    filters->addWidget(new QLabel(QStringLiteral("to"), this));
    filters->addWidget(ToDate);

    Picture = new THistoryTrendImage(this);
    Table = new QTableWidget(this);
    Table->setObjectName(QStringLiteral("Table"));
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->verticalHeader()->setVisible(false);
    Table->setWordWrap(false);
    // The picture and the table share the height as the user drags it.
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->setObjectName(QStringLiteral("Splitter"));
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(Picture);
    splitter->addWidget(Table);
    splitter->setStretchFactor(0, 1);
    splitter->setSizes({kHistoryTrendHeight, kTableHeightPixels});

    StatusLabel = new QLabel(this);
    StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
    StatusLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    layout->addLayout(filters);
    layout->addWidget(splitter, 1);
    layout->addWidget(StatusLabel);
}

void THistoryForm::fillFilters()
{
    std::string error;
    const HistoryOverview overview = database_->overview(error);
    SourceBox->addItem(QStringLiteral("All sources"), QString());
    for (const std::string& source : overview.sources) {
        SourceBox->addItem(text(source), text(source));
    }
    FromDate->setDate(dateOf(overview.firstDay));
    ToDate->setDate(dateOf(overview.lastDay));
}

void THistoryForm::showFiltered()
{
    const std::string source = SourceBox->currentData().toString().toStdString();
    std::string error;
    std::vector<HistoryRow> rows = database_->read({dayOf(*FromDate), dayOf(*ToDate), source}, error);
    // The database also matches a bare file name; the box names one source exactly.
    if (!source.empty()) {
        std::erase_if(rows, [&source](const HistoryRow& row) { return row.source != source; });
    }
    const std::vector<HistoryDay> days = historyTrend(rows);
    fillTable(*Table, historyDayTable(days));
    Picture->SetDays(trendDaysOf(days));
    StatusLabel->setText(error.empty() ? counted(rows.size(), "slice") + QStringLiteral(" on ") +
                                             counted(days.size(), "day")
                                       : text(error));
}

void THistoryForm::SourceBoxChange() { showFiltered(); }
void THistoryForm::FromDateChange() { showFiltered(); }
void THistoryForm::ToDateChange() { showFiltered(); }

void THistoryForm::ShowInFront()
{
    show();
    raise();
    activateWindow();
}

void THistoryForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace gnsslog
