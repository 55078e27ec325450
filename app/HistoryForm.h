// The History window of File > "Open history...": a monitoring history's
// trend picture, its table per day (the columns gnsslog-report prints) and,
// on top, the source and the days to show, which redraw both. The window
// keeps the file open while it is shown and reads it again at each change
// of a filter, so runs written meanwhile appear. Escape closes it; closed,
// it is freed and the file with it.
#pragma once

#include <QString>
#include <QWidget>

#include <memory>

class QComboBox;
class QDateEdit;
class QLabel;
class QTableWidget;

namespace gnsslog {

class HistoryDatabase;
class THistoryTrendImage;

class THistoryForm : public QWidget {
    Q_OBJECT

public:
    // database: an open history (isOpen()); fileName: the file it was
    // opened from, as chosen. Shows all of its sources and days.
    THistoryForm(QWidget* owner, const QString& fileName, std::unique_ptr<HistoryDatabase> database);
    ~THistoryForm() override;

    const QString& fileName() const noexcept { return fileName_; }
    // Shows the window above the others and gives it the keyboard.
    void ShowInFront();

    // Handlers, named after their controls and events: each shows the
    // slices the three filters let through.
    void SourceBoxChange();
    void FromDateChange();
    void ToDateChange();

    QComboBox* SourceBox = nullptr;  // "All sources", then each source as given
    QDateEdit* FromDate = nullptr;   // the first day shown
    QDateEdit* ToDate = nullptr;     // the last day shown, inclusive
    THistoryTrendImage* Picture = nullptr;
    QTableWidget* Table = nullptr;   // a row per day
    QLabel* StatusLabel = nullptr;   // how many slices and days, or why none could be read

protected:
    // Escape closes the window, whichever control has the keyboard.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createControls();
    // The sources and the days of the whole history become the filters.
    void fillFilters();
    void showFiltered();

    QString fileName_;
    std::unique_ptr<HistoryDatabase> database_;
};

}  // namespace gnsslog
