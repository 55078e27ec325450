// One TCP connection attempt with a time limit, over POSIX sockets.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace gnsslog {

// Connects to host:port, trying each address the name resolves to, and
// gives up after `timeout` per address. Returns a connected, blocking
// socket (close it with close()), or -1 with error saying why
// ("connection refused", "no route to host", "timed out", ...).
int connectTcp(const std::string& host, std::uint16_t port, std::chrono::milliseconds timeout,
               std::string& error);

// Waits up to `wait` for fd to become readable; true when it is (or has
// hung up, which a following recv reports).
bool waitReadable(int fd, std::chrono::milliseconds wait) noexcept;

}  // namespace gnsslog
