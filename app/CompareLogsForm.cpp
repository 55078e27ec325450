#include "app/CompareLogsForm.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace gnsslog {

namespace {

constexpr int kWidthPixels = 1100;
constexpr int kHeightPixels = 260;

QString text(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

// Above the always-on-top main window: a window manager keeps a window
// out of that layer unless it asks for it too.
TCompareLogsForm::TCompareLogsForm(QWidget* owner) : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint)
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
    // Columns as wide as their texts; a wide table scrolls sideways.
    Table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Table->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Table->setWordWrap(false);
    Table->setTextElideMode(Qt::ElideNone);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(TruthLabel);
    layout->addWidget(Table);
    resize(kWidthPixels, kHeightPixels);
}

void TCompareLogsForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TCompareLogsForm::ShowInFront()
{
    show();
    raise();
    activateWindow();
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
            const std::string& cell = table.rows[r][c];
            const std::string note = r < table.notes.size() && c < table.notes[r].size() ? table.notes[r][c] : "";
            // A figure that does not exist says why in its cell.
            auto* item = new QTableWidgetItem(note.empty() || cell != "-" ? text(cell)
                                                                         : text(cell + " (" + note + ")"));
            item->setToolTip(text(note));
            item->setTextAlignment(c == 0 ? Qt::AlignLeft | Qt::AlignVCenter
                                          : Qt::AlignRight | Qt::AlignVCenter);
            Table->setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    }
    Table->resizeColumnsToContents();
    Table->resizeRowsToContents();
}

}  // namespace gnsslog
