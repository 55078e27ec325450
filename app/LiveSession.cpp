#include "app/LiveSession.h"

#include <utility>
#include <vector>

#include "live/LiveLoop.h"

namespace gnsslog {

std::unique_ptr<LiveSession> LiveSession::start(std::unique_ptr<ByteSource> source, const std::string& archivePath,
                                                std::string& error)
{
    std::unique_ptr<LiveSession> session(new LiveSession);
    error = archivePath.empty() ? session->archive_.openTemporary() : session->archive_.open(archivePath);
    if (!error.empty()) {
        return nullptr;
    }
    session->source_ = std::move(source);
    session->worker_ = std::thread([raw = session.get()] { raw->readUntilStopped(); });
    return session;
}

LiveSession::~LiveSession()
{
    stop_.store(true);
    if (worker_.joinable()) {
        worker_.join();
    }
}

LiveSessionStatus LiveSession::status() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return status_;
}

void LiveSession::readUntilStopped()
{
    std::vector<std::uint8_t> bytes;
    while (!stop_.load()) {
        // A bounded wait, so a stop is answered within it.
        const ReadResult read = source_->read(bytes, kLongestLiveWait);
        std::string problem = read.status == ReadStatus::Failed ? read.error : std::string();
        if (problem.empty() && !bytes.empty()) {
            problem = archive_.append(bytes);
        }
        bytes.clear();
        const std::lock_guard<std::mutex> lock(mutex_);
        status_.bytes = archive_.size();
        status_.counters = source_->counters();
        if (!problem.empty()) {
            status_.ended = true;
            status_.error = std::move(problem);
            return;
        }
    }
}

}  // namespace gnsslog
