// The progress window: phase caption, a bar and a "position / total" count,
// shown while a log loads. Driven by the pipeline's progress callback.
#pragma once

#include <QWidget>

#include <cstdint>

class QLabel;
class QProgressBar;

namespace gnsslog {

class TFormProgress : public QWidget {
    Q_OBJECT

public:
    explicit TFormProgress(QWidget* parent = nullptr);

    // One progress report (see the table in the .cpp). Processes pending
    // events, so other handlers may run inside this call, then repaints.
    void UpdateProgress(const char* text, std::int32_t position, std::int32_t total);

    // For a load whose analysis runs on another thread: the bar empty and
    // no count before the first report, and each report shown as
    // UpdateProgress shows it, except that a phase start counts from zero,
    // without processing events or repainting at once.
    void StartAtZero();
    void ShowReport(const char* text, std::int32_t position, std::int32_t total);

    QLabel* Label1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void centreOnDesktop();
    void showCounts(const char* text, std::int32_t position, std::int32_t total);
};

}  // namespace gnsslog

// The permanent progress window; created at start-up. Null while it does
// not exist (tests create their own and set it).
extern gnsslog::TFormProgress* FormProgress;
