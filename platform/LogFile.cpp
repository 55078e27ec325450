#include "platform/LogFile.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gnsslog {

namespace {

std::string describeErrno(int error)
{
    return std::error_code(error, std::generic_category()).message();
}

}  // namespace

LogFile::LogFile(const char* fileName)
{
    const std::string name = fileName != nullptr ? fileName : "";
    const auto fail = [&](const std::string& reason) {
        error_ = "cannot open '" + name + "': " + reason;
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    };
    // O_NONBLOCK keeps a FIFO from blocking the open; only regular files
    // are read, so it has no effect on the reads themselves.
    fd_ = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
        fail(describeErrno(errno));
        return;
    }
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        fail(describeErrno(errno));
        return;
    }
    if (S_ISDIR(info.st_mode)) {
        fail(describeErrno(EISDIR));
        return;
    }
    if (!S_ISREG(info.st_mode)) {
        // A device or pipe has no size to measure and may never end.
        fail("not a regular file");
        return;
    }
    size_ = static_cast<std::uint64_t>(std::max<off_t>(info.st_size, 0));
}

LogFile::~LogFile()
{
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::size_t LogFile::read(std::uint8_t* buffer, std::size_t count) noexcept
{
    std::size_t done = 0;
    while (fd_ >= 0 && done < count) {
        const ssize_t got = ::read(fd_, buffer + done, count - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

bool LogFile::seek(std::uint64_t offset) noexcept
{
    return fd_ >= 0 && offset <= static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()) &&
           ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

}  // namespace gnsslog
