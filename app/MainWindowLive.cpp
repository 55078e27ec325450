// The main window following a live source: the bytes arrive on the live
// session's worker thread, and once a second the archive is analysed again
// off the window thread, its summary and open windows given the result.
#include "app/logviewerform.h"

#include <QAction>
#include <QFile>
#include <QStatusBar>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <string>
#include <utility>

#include "app/DataQualityForm.h"
#include "app/Dialogs.h"
#include "app/LiveSession.h"
#include "live/OpenSource.h"
#include "live/SourceAddress.h"

namespace gnsslog {

namespace {

constexpr int kLiveUpdateIntervalMs = 1000;  // the analysis at most once a second

// Sets a flag for as long as it lives, however the scope ends.
class BusyFlag {
public:
    explicit BusyFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyFlag() { flag_ = false; }
    BusyFlag(const BusyFlag&) = delete;
    BusyFlag& operator=(const BusyFlag&) = delete;

private:
    bool& flag_;
};

double secondsSince(std::chrono::steady_clock::time_point then)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - then).count();
}

// Per second over the seconds since the last count; 0 without a span.
double ratePerSecond(std::uint64_t now, std::uint64_t before, double seconds)
{
    return seconds > 0 && now >= before ? static_cast<double>(now - before) / seconds : 0.0;
}

}  // namespace

void TForm3::OpenLiveSource1Click()
{
    if (loading_) {
        return;
    }
    const std::optional<QString> text = dialogs_.liveSource(this);
    if (text) {
        openLiveSource(*text);
    }
}

void TForm3::StopLiveSource1Click()
{
    if (!liveSession_) {
        return;
    }
    // What arrived last is shown before the source goes.
    if (!loading_) {
        refreshLive();
    }
    stopLive();
}

void TForm3::openLiveSource(const QString& sourceText)
{
    if (loading_) {
        return;
    }
    const SourceParse parse = parseSourceAddress(sourceText.toStdString());
    if (!parse.error.empty()) {
        dialogs_.message(QStringLiteral("Error"), QString::fromStdString("bad live source " + parse.error));
        return;
    }
    stopLive();
    std::string error;
    std::unique_ptr<ByteSource> source;
    {
        // Connecting may take seconds: the window answers meanwhile.
        const BusyFlag busy(loading_);
        runWhileAnswering([&] { source = openByteSource(parse.address, error); }, {});
    }
    if (closing_) {
        return;
    }
    if (source) {
        liveSession_ = LiveSession::start(std::move(source), error);
    }
    if (!liveSession_) {
        dialogs_.message(QStringLiteral("Error"), QString::fromStdString(error));
        return;
    }
    // What a load showed goes: the windows open again with the live records.
    destroyPlotWindows();
    analysisPlotIndex_.reset();
    truthMatch_.reset();
    analysisReference_.reset();
    analysisSessions_.reset();
    Analysis.reset();
    PositionsAnalysis.reset();
    liveSourceText_ = sourceText;
    liveAnalysedBytes_ = 0;
    liveLastBytes_ = 0;
    liveLastRecords_ = 0;
    liveRecordsPerSecond_ = 0;
    liveLastStatusTime_ = std::chrono::steady_clock::now();
    liveLastAnalysisTime_ = liveLastStatusTime_;
    setWindowTitle(sourceText);
    StopLiveSource1->setEnabled(true);
    if (liveTimer_ == nullptr) {
        liveTimer_ = new QTimer(this);
        liveTimer_->setInterval(kLiveUpdateIntervalMs);
        connect(liveTimer_, &QTimer::timeout, this, [this] { liveTick(); });
    }
    liveTimer_->start();
    showLiveStatus();
}

std::uint64_t TForm3::liveBytesReceived() const
{
    return liveSession_ ? liveSession_->status().bytes : 0;
}

void TForm3::stopLive()
{
    if (!liveSession_) {
        return;
    }
    liveTimer_->stop();
    const LiveSessionStatus status = liveSession_->status();
    liveSession_.reset();
    StopLiveSource1->setEnabled(false);
    statusBar()->showMessage(QStringLiteral("Live source stopped: %1, %2 bytes, drops %3")
                                 .arg(liveSourceText_)
                                 .arg(status.bytes)
                                 .arg(status.counters.drops));
}

void TForm3::liveTick()
{
    if (!liveSession_ || closing_) {
        return;
    }
    const LiveSessionStatus status = liveSession_->status();
    if (status.ended) {
        const QString error = QString::fromStdString(status.error);
        refreshLive();
        stopLive();
        dialogs_.message(QStringLiteral("Error"), error);
        return;
    }
    // A second analysis never starts while one runs (it would free the
    // records the first is building on).
    if (!loading_ && status.bytes > liveAnalysedBytes_) {
        refreshLive();
    }
    showLiveStatus();
}

void TForm3::showLiveStatus()
{
    if (!liveSession_) {
        return;
    }
    const LiveSessionStatus status = liveSession_->status();
    const double bytesPerSecond = ratePerSecond(status.bytes, liveLastBytes_, secondsSince(liveLastStatusTime_));
    liveLastBytes_ = status.bytes;
    liveLastStatusTime_ = std::chrono::steady_clock::now();
    statusBar()->showMessage(QStringLiteral("Live %1: %2 bytes/s, %3 records/s, drops %4, archive %5")
                                 .arg(liveSourceText_)
                                 .arg(bytesPerSecond, 0, 'f', 0)
                                 .arg(liveRecordsPerSecond_, 0, 'f', 1)
                                 .arg(status.counters.drops)
                                 .arg(QString::fromStdString(liveSession_->archivePath())));
}

void TForm3::refreshLive()
{
    if (!liveSession_ || loading_) {
        return;
    }
    const QByteArray path = QFile::encodeName(QString::fromStdString(liveSession_->archivePath()));
    const std::uint64_t bytes = liveSession_->status().bytes;
    DecodeOptions decodeOptions;
    AnalysisRequest request = analysisRequest(path, Detectautomatically1->isChecked(), decodeOptions);
    // Off the window thread, where the Track window is open to take it.
    request.trackSeries = !TrackForm.isNull();
    AnalysedLog analysed;
    {
        const BusyFlag busy(loading_);
        analysed = analyseInBackground(request, nullptr);
    }
    // Nothing to show yet: the last analysis stays, without an error box
    // each second.
    if (closing_ || !analysed.analysis || !analysed.analysis->openError.empty() ||
        analysed.analysis->records.empty()) {
        return;
    }
    liveAnalysedBytes_ = bytes;
    const std::uint64_t records = analysed.analysis->records.size();
    liveRecordsPerSecond_ = ratePerSecond(records, liveLastRecords_, secondsSince(liveLastAnalysisTime_));
    liveLastRecords_ = records;
    liveLastAnalysisTime_ = std::chrono::steady_clock::now();
    // The windows point into the old analysis until they are given the new.
    std::unique_ptr<GNSSLog> previous = std::move(Analysis);
    std::unique_ptr<GNSSLog> previousPositions = std::move(PositionsAnalysis);
    takeAnalysis(analysed, request);
    showSummary(request.reference.get());
    if (DataQualityForm) {
        DataQualityForm->SetQuality(&Analysis->dataQuality);
    }
    liveTrack_ = std::move(analysed.track);
    openCheckedWindows();
    liveTrack_.reset();
}

}  // namespace gnsslog
