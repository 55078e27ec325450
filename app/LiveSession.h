// A live source read on a worker thread into an archive file, which the
// main window analyses again as it grows. The window thread only reads
// the session's counters; the worker never touches a widget.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "live/ArchiveWriter.h"
#include "live/ByteSource.h"

namespace gnsslog {

struct LiveSessionStatus {
    std::uint64_t bytes = 0;  // received and archived so far
    SourceCounters counters;
    bool ended = false;       // the source or the archive failed
    std::string error;        // why, when ended
};

class LiveSession {
public:
    // Starts reading source into the archive file archivePath, created or
    // emptied, or into a temporary file when archivePath is empty; null
    // with error saying why when the archive cannot be created.
    static std::unique_ptr<LiveSession> start(std::unique_ptr<ByteSource> source, const std::string& archivePath,
                                              std::string& error);
    ~LiveSession();  // stops the worker; removes a temporary archive, keeps a named one
    LiveSession(const LiveSession&) = delete;
    LiveSession& operator=(const LiveSession&) = delete;

    LiveSessionStatus status() const;
    const std::string& archivePath() const noexcept { return archive_.path(); }

private:
    LiveSession() = default;
    void readUntilStopped();

    std::unique_ptr<ByteSource> source_;
    ArchiveWriter archive_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    LiveSessionStatus status_;  // guarded by mutex_
    std::thread worker_;
};

}  // namespace gnsslog
