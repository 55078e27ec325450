// A log file that is still being written, read as it grows (tail -F).
// A file that shrinks below what was read (truncated) or whose path now
// names another file (replaced, as log rotation does) starts a new
// segment: its bytes follow the old ones and the segment is counted.
#pragma once

#include <sys/types.h>

#include <string>

#include "live/ByteSource.h"

namespace gnsslog {

class FollowSource final : public ByteSource {
public:
    explicit FollowSource(std::string path);
    ~FollowSource() override;
    FollowSource(const FollowSource&) = delete;
    FollowSource& operator=(const FollowSource&) = delete;

    // Opens the file; an empty text on success, else why it failed.
    std::string open();
    ReadResult read(std::vector<std::uint8_t>& bytes, std::chrono::milliseconds wait) override;
    SourceCounters counters() const override { return counters_; }

private:
    bool startNewSegmentIfChanged();

    std::string path_;
    int fd_ = -1;
    off_t offset_ = 0;  // bytes read from the current file
    dev_t device_ = 0;
    ino_t inode_ = 0;
    SourceCounters counters_;
};

}  // namespace gnsslog
