// The Compare logs window: the comparison table of several logs (a row per
// log, its figures and the truth they were measured against), the same
// cells gnsslog-report prints, a missing figure with its reason. Escape
// closes it.
#pragma once

#include <QWidget>

#include "compare/ComparisonTable.h"

class QLabel;
class QTableWidget;

namespace gnsslog {

class TCompareLogsForm : public QWidget {
public:
    explicit TCompareLogsForm(QWidget* owner);

    // Shows this comparison, replacing the one shown before.
    void SetComparison(const LogComparison& comparison, const std::vector<Requirement>& requirements);
    // Shows the window above the others and gives it the keyboard.
    void ShowInFront();

    QLabel* TruthLabel = nullptr;
    QTableWidget* Table = nullptr;

protected:
    // Escape closes the window, whichever control has the keyboard.
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace gnsslog
