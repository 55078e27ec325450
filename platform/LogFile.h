// A log file opened for reading: regular files only, read in order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace gnsslog {

class LogFile {
public:
    // Opens fileName. On failure isOpen() is false and error() names the
    // file and the reason ("cannot open '<name>': <reason>").
    explicit LogFile(const char* fileName);
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;
    ~LogFile();

    bool isOpen() const noexcept { return fd_ >= 0; }
    const std::string& error() const noexcept { return error_; }
    // Size at opening, bytes.
    std::uint64_t size() const noexcept { return size_; }

    // Reads up to count bytes at the current position; returns the number
    // read, short only at end of file or on a read error.
    std::size_t read(std::uint8_t* buffer, std::size_t count) noexcept;
    // Moves the position to offset bytes from the start; false when it
    // cannot.
    bool seek(std::uint64_t offset) noexcept;

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::string error_;
};

}  // namespace gnsslog
