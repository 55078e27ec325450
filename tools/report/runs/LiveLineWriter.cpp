#include "tools/report/runs/LiveLineWriter.h"

#include "tools/report/runs/LiveLine.h"

namespace gnsslog {

namespace {

// Figures are brought up to date at most this often, however short --every is.
constexpr std::chrono::milliseconds kShortestAnalysisInterval{1000};

}  // namespace

LiveLineWriter::LiveLineWriter(const ReportOptions& archiveOptions, std::string source,
                               std::ostream& out, LiveHistory* history)
    : analysis_(archiveOptions), source_(std::move(source)), out_(out), history_(history)
{
}

LiveLineWriter::~LiveLineWriter()
{
    if (running_.valid()) {
        running_.wait();
    }
}

void LiveLineWriter::printLine(const LiveProgress& progress, const nlohmann::ordered_json& figures)
{
    nlohmann::ordered_json line;
    line["live"] = liveSessionJson(source_, progress);
    line.update(figures);
    out_ << line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n'
         << std::flush;
}

void LiveLineWriter::tick(const LiveProgress& progress)
{
    if (running_.valid()) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (!figures_.is_null() && now - lastStart_ < kShortestAnalysisInterval) {
        printLine(progress, figures_);
        return;
    }
    lastStart_ = now;
    runningProgress_ = progress;
    running_ = std::async(std::launch::async, [this] {
        nlohmann::ordered_json figures = analysis_.lineFigures();
        if (history_ != nullptr) {
            history_->update(analysis_.analysis());
        }
        return figures;
    });
}

void LiveLineWriter::poll()
{
    if (running_.valid() && running_.wait_for(std::chrono::seconds{0}) == std::future_status::ready) {
        figures_ = running_.get();
        printLine(runningProgress_, figures_);
    }
}

void LiveLineWriter::finish()
{
    if (running_.valid()) {
        running_.wait();
        poll();
    }
}

}  // namespace gnsslog
