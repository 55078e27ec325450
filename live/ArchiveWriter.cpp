#include "live/ArchiveWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace gnsslog {

ArchiveWriter::~ArchiveWriter()
{
    if (fd_ >= 0) {
        close(fd_);
    }
    if (temporary_) {
        unlink(path_.c_str());
    }
}

std::string ArchiveWriter::open(const std::string& path)
{
    path_ = path;
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        return "cannot write the archive " + path + ": " + std::strerror(errno);
    }
    return {};
}

std::string ArchiveWriter::openTemporary()
{
    const char* folder = std::getenv("TMPDIR");
    std::string pattern = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") +
                          "/gnsslog-live-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd_ = mkstemp(name.data());
    if (fd_ < 0) {
        return "cannot create a temporary file in " + pattern + ": " + std::strerror(errno);
    }
    path_ = name.data();
    temporary_ = true;
    return {};
}

std::string ArchiveWriter::append(std::span<const std::uint8_t> bytes)
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(fd_, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return "cannot write the archive " + path_ + ": " +
                   std::strerror(n < 0 ? errno : ENOSPC);
        }
        written += static_cast<std::size_t>(n);
        size_ += static_cast<std::uint64_t>(n);
    }
    return {};
}

}  // namespace gnsslog
