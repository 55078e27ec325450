// The Compare logs window: the comparison table of several logs (a row per
// log, its figures and the truth they were measured against), the same
// cells gnsslog-report prints.
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

    QLabel* TruthLabel = nullptr;
    QTableWidget* Table = nullptr;
};

}  // namespace gnsslog
