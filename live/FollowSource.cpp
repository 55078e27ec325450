#include "live/FollowSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

namespace gnsslog {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;             // bytes per read
constexpr std::chrono::milliseconds kGrowthPoll{100};     // between looks at an idle file

}  // namespace

FollowSource::FollowSource(std::string path) : path_(std::move(path)) {}

FollowSource::~FollowSource()
{
    if (fd_ >= 0) {
        close(fd_);
    }
}

std::string FollowSource::open()
{
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status {};
    if (fd_ < 0 || fstat(fd_, &status) != 0) {
        return "cannot open " + path_ + ": " + std::strerror(errno);
    }
    if (!S_ISREG(status.st_mode)) {
        return "cannot follow " + path_ + ": not a regular file";
    }
    device_ = status.st_dev;
    inode_ = status.st_ino;
    return {};
}

// Called when the open file has nothing more: a replaced path is opened
// afresh, a truncated file is read again from its start.
bool FollowSource::startNewSegmentIfChanged()
{
    struct stat named {};
    if (stat(path_.c_str(), &named) != 0 || !S_ISREG(named.st_mode)) {
        return false;  // gone for now: keep waiting for it
    }
    if (named.st_dev != device_ || named.st_ino != inode_) {
        const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return false;
        }
        close(fd_);
        fd_ = fd;
        device_ = named.st_dev;
        inode_ = named.st_ino;
    } else if (named.st_size >= offset_) {
        return false;
    }
    lseek(fd_, 0, SEEK_SET);
    offset_ = 0;
    ++counters_.segments;
    return true;
}

ReadResult FollowSource::read(std::vector<std::uint8_t>& bytes, std::chrono::milliseconds wait)
{
    const std::size_t old = bytes.size();
    bytes.resize(old + kReadChunk);
    ssize_t n = 0;
    do {
        n = ::read(fd_, bytes.data() + old, kReadChunk);
    } while (n < 0 && errno == EINTR);
    bytes.resize(old + static_cast<std::size_t>(n > 0 ? n : 0));
    if (n > 0) {
        offset_ += n;
        return {ReadStatus::Data, {}};
    }
    if (n < 0) {
        return {ReadStatus::Failed, "cannot read " + path_ + ": " + std::strerror(errno)};
    }
    if (!startNewSegmentIfChanged()) {
        std::this_thread::sleep_for(std::min(wait, kGrowthPoll));
    }
    return {};
}

}  // namespace gnsslog
