// The main window following a live source: the bytes arrive on the live
// session's worker thread into an archive, and once a second what the
// archive gained is decoded off the window thread onto the records kept
// from before; the figures that depend on every record (the errors
// against a truth that moves, the CDF, the plots' series, the sessions)
// are measured again, and the summary and open windows given the result.
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
#include "log/ErrorPass.h"
#include "log/formats/FormatDetection.h"
#include "log/GrowingLogReader.h"
#include "reference/ErrorAnalysis.h"
#include "reference/ReferenceFile.h"
#include "live/OpenSource.h"
#include "live/SameFile.h"
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

bool archiveIsFollowedFile(const SourceAddress& address, const QString& archivePath)
{
    if (address.kind != SourceKind::FollowedFile || archivePath.isEmpty()) {
        return false;
    }
    return sameExistingFile(address.path, QFile::encodeName(archivePath).toStdString());
}

}  // namespace

void TForm3::OpenLiveSource1Click()
{
    if (loading_) {
        return;
    }
    const std::optional<LiveSourceRequest> request = dialogs_.liveSource(this);
    if (request) {
        openLiveSource(request->source, request->archive);
    }
}

void TForm3::StopLiveSource1Click()
{
    if (!liveSession_) {
        return;
    }
    // What arrived last is shown before the source goes, its last record
    // included.
    if (!loading_) {
        refreshLive(true);
    }
    stopLive();
}

void TForm3::openLiveSource(const QString& sourceText, const QString& archivePath)
{
    if (loading_) {
        return;
    }
    const SourceParse parse = parseSourceAddress(sourceText.toStdString());
    if (!parse.error.empty()) {
        dialogs_.message(QStringLiteral("Error"), QString::fromStdString("bad live source " + parse.error));
        return;
    }
    // Opening the archive empties it: were it the followed file itself, the
    // log would be destroyed and then read back from its own writes.
    if (archiveIsFollowedFile(parse.address, archivePath)) {
        dialogs_.message(QStringLiteral("Error"),
                         QStringLiteral("the archive %1 is the source itself").arg(archivePath));
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
        liveSession_ = LiveSession::start(std::move(source), QFile::encodeName(archivePath).toStdString(), error);
    }
    if (!liveSession_) {
        dialogs_.message(QStringLiteral("Error"), QString::fromStdString(error));
        return;
    }
    // What a load showed goes: the windows open again with the live records.
    destroyPlotWindows();
    liveReader_.reset();
    liveUnshown_.reset();
    analysisPlotIndex_.reset();
    truthMatch_.reset();
    analysisReference_.reset();
    analysisSessions_.reset();
    Analysis.reset();
    PositionsAnalysis.reset();
    liveSourceText_ = sourceText;
    liveArchive_ = archivePath;
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
    // What is shown stays; the next source starts afresh.
    liveReader_.reset();
    liveUnshown_.reset();
    StopLiveSource1->setEnabled(false);
    QString message = QStringLiteral("Live source stopped: %1, %2 bytes, drops %3")
                          .arg(liveSourceText_)
                          .arg(status.bytes)
                          .arg(status.counters.drops);
    if (!liveArchive_.isEmpty()) {
        message += QStringLiteral(", archive kept in %1").arg(liveArchive_);
    }
    statusBar()->showMessage(message);
}

void TForm3::liveTick()
{
    if (!liveSession_ || closing_) {
        return;
    }
    const LiveSessionStatus status = liveSession_->status();
    if (status.ended) {
        const QString error = QString::fromStdString(status.error);
        refreshLive(true);
        stopLive();
        dialogs_.message(QStringLiteral("Error"), error);
        return;
    }
    // A second update never starts while one runs (it would hand records
    // over beneath the first).
    if (!loading_) {
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

bool TForm3::startLiveReader(const AnalysisRequest& request, const DecodeOptions& decodeOptions,
                             std::uint64_t bytes)
{
    if (liveReader_ && liveReader_->reads(*request.format, decodeOptions)) {
        return true;
    }
    // The format is decided from what has arrived: as soon as a format
    // finds frames in it, or once the bytes detection looks at have come
    // without one.
    if (Detectautomatically1->isChecked() && bytes < kDetectionBytes &&
        detectLogFileFormat(request.fileName, VerifyNMEAchecksums1->isChecked()) == nullptr) {
        return false;
    }
    // First, or the parsing mode, detected format or transformation has
    // changed: the archive is read again from its start into an analysis
    // of its own, and the one on show stays until that one has records.
    liveReader_ = std::make_unique<GrowingLogReader>(*request.format, decodeOptions);
    liveUnshown_ = std::make_unique<GNSSLog>(TruthMode::Averaged, 0, 0, 0);
    liveLastRecords_ = 0;
    return true;
}

std::unique_ptr<GNSSLog>& TForm3::liveLogSlot()
{
    if (liveUnshown_) {
        return liveUnshown_;
    }
    return PositionsAnalysis ? PositionsAnalysis : Analysis;
}

void TForm3::refreshLive(bool ended)
{
    if (!liveSession_ || loading_) {
        return;
    }
    const QByteArray path = QFile::encodeName(QString::fromStdString(liveSession_->archivePath()));
    const std::uint64_t bytes = liveSession_->status().bytes;
    DecodeOptions decodeOptions;
    AnalysisRequest request = analysisRequest(path, Detectautomatically1->isChecked(), decodeOptions);
    request.trackSeries = !TrackForm.isNull();
    const bool sameReader = liveReader_ && liveReader_->reads(*request.format, decodeOptions);
    if (!startLiveReader(request, decodeOptions, bytes)) {
        return;
    }
    // Nothing new and the same settings: what is shown stands.
    const LiveTruthSettings truth{request.truthMode, {request.manual[0], request.manual[1], request.manual[2]},
                                  request.reference.get(), request.trackSeries};
    if (!ended && sameReader && bytes <= liveAnalysedBytes_ && truth == liveTruth_) {
        return;
    }
    liveTruth_ = truth;
    const BusyFlag busy(loading_);
    // Only the bytes that arrived since the last update are decoded, off
    // the window thread and onto the reader's own state.
    runWhileAnswering([&] { liveReader_->feedGrowth(path.constData()); }, {});
    if (closing_) {
        return;
    }
    liveAnalysedBytes_ = liveReader_->bytesFed();
    // The records join the kept ones here, on the thread the windows read
    // them from; the truth settings are the menus' as they are now.
    GNSSLog& kept = *liveLogSlot();
    if (ended) {
        liveReader_->finish(kept);
    } else {
        liveReader_->handOver(kept);
    }
    kept.truthMode = request.truthMode;
    kept.manualX = request.manual[0];
    kept.manualY = request.manual[1];
    kept.manualZ = request.manual[2];
    // Nothing to show yet: the last analysis stays.
    if (kept.records.empty()) {
        return;
    }
    LiveFigures figures = measureLiveFigures(kept, request);
    if (closing_) {
        return;
    }
    showLiveFigures(figures, request);
}

TForm3::LiveFigures TForm3::measureLiveFigures(const GNSSLog& kept, const AnalysisRequest& request)
{
    // Off the window thread, which only reads the kept records meanwhile.
    LiveFigures figures;
    runWhileAnswering(
        [&] {
            figures.errors = measureErrorFigures(kept, kept.records.size() >= kSplitErrorPassRecords);
            if (request.reference) {
                const RecordClock clock = logRecordClock(request.fileName, *request.format);
                ReferenceMeasurement measured = measureAgainstReference(kept, clock, *request.reference, {});
                figures.truthMatch = std::move(measured.match);
                figures.againstReference = std::move(measured.errors);
            }
            const GNSSLog& shown = figures.againstReference ? *figures.againstReference : kept;
            figures.window = windowFiguresOf(shown, kept, request.reference.get(), request.trackSeries);
        },
        {});
    return figures;
}

void TForm3::showLiveFigures(LiveFigures& figures, const AnalysisRequest& request)
{
    const std::uint64_t records = liveLogSlot()->records.size();
    liveRecordsPerSecond_ = ratePerSecond(records, liveLastRecords_, secondsSince(liveLastAnalysisTime_));
    liveLastRecords_ = records;
    liveLastAnalysisTime_ = std::chrono::steady_clock::now();

    std::unique_ptr<GNSSLog> kept = std::move(liveLogSlot());
    takeErrorFigures(*kept, std::move(figures.errors));
    // What the windows point into until they are given the new analysis:
    // an earlier error analysis against a reference, or what was shown
    // before the archive was read again.
    std::unique_ptr<GNSSLog> previous = std::move(Analysis);
    std::unique_ptr<GNSSLog> previousPositions = std::move(PositionsAnalysis);
    if (figures.againstReference) {
        PositionsAnalysis = std::move(kept);
        Analysis = std::move(figures.againstReference);
    } else {
        Analysis = std::move(kept);
    }
    truthMatch_ = std::move(figures.truthMatch);
    analysisReference_ = request.reference;
    takeWindowFigures(figures.window);
    showSummary(request.reference.get());
    if (DataQualityForm) {
        DataQualityForm->SetQuality(&Analysis->dataQuality);
    }
    liveTrack_ = std::move(figures.window.track);
    openCheckedWindows();
    liveTrack_.reset();
}

}  // namespace gnsslog
