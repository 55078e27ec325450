// The archive of a live run: every received byte, in order. Each append
// goes straight to the operating system (no buffer of ours), so the file
// is readable up to the last byte of the last successful append, and a
// failed write (a full disk) is reported at once.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace gnsslog {

class ArchiveWriter {
public:
    ArchiveWriter() = default;
    ~ArchiveWriter();
    ArchiveWriter(const ArchiveWriter&) = delete;
    ArchiveWriter& operator=(const ArchiveWriter&) = delete;

    // Creates or empties path; an empty text on success, else why not.
    std::string open(const std::string& path);
    // A new file in the temporary folder that is removed by the destructor.
    std::string openTemporary();
    // Writes all of bytes; an empty text on success, else why not (the
    // bytes of earlier appends stay in the file).
    std::string append(std::span<const std::uint8_t> bytes);

    const std::string& path() const noexcept { return path_; }
    std::uint64_t size() const noexcept { return size_; }

private:
    std::string path_;
    int fd_ = -1;
    bool temporary_ = false;
    std::uint64_t size_ = 0;
};

}  // namespace gnsslog
