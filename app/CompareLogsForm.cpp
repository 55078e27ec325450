#include "app/CompareLogsForm.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace gnsslog {

namespace {

constexpr int kWidthPixels = 1100;
constexpr int kHeightPixels = 260;

QString text(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

TCompareLogsForm::TCompareLogsForm(QWidget* owner) : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("CompareLogsForm"));
    setWindowTitle(QStringLiteral("Compare logs"));
    TruthLabel = new QLabel(this);
    TruthLabel->setObjectName(QStringLiteral("TruthLabel"));
    TruthLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Table = new QTableWidget(this);
    Table->setObjectName(QStringLiteral("Table"));
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->verticalHeader()->setVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(TruthLabel);
    layout->addWidget(Table);
    resize(kWidthPixels, kHeightPixels);
}

void TCompareLogsForm::SetComparison(const LogComparison& comparison,
                                     const std::vector<Requirement>& requirements)
{
    TruthLabel->setText(text(describeTruth(comparison.truth)));
    const TextTable table = comparisonTable(comparison, requirements);
    Table->clear();
    Table->setColumnCount(static_cast<int>(table.header.size()));
    Table->setRowCount(static_cast<int>(table.rows.size()));
    QStringList header;
    for (const std::string& heading : table.header) {
        header << text(heading);
    }
    Table->setHorizontalHeaderLabels(header);
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        for (std::size_t c = 0; c < table.rows[r].size(); ++c) {
            auto* item = new QTableWidgetItem(text(table.rows[r][c]));
            item->setTextAlignment(c == 0 ? Qt::AlignLeft | Qt::AlignVCenter
                                          : Qt::AlignRight | Qt::AlignVCenter);
            Table->setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    }
    Table->resizeColumnsToContents();
    Table->resizeRowsToContents();
}

}  // namespace gnsslog
