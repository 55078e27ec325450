#include "live/TcpConnect.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace gnsslog {

namespace {

struct AddressListDeleter {
    void operator()(addrinfo* list) const noexcept { freeaddrinfo(list); }
};

int pollMilliseconds(std::chrono::milliseconds wait) noexcept
{
    constexpr std::chrono::milliseconds kLongest{60000};
    return static_cast<int>(std::clamp(wait, std::chrono::milliseconds{0}, kLongest).count());
}

// A non-blocking connect finished within timeout; errno-style code or 0.
int finishConnect(int fd, std::chrono::milliseconds timeout) noexcept
{
    pollfd p{fd, POLLOUT, 0};
    int ready = 0;
    do {
        ready = poll(&p, 1, pollMilliseconds(timeout));
    } while (ready < 0 && errno == EINTR);
    if (ready == 0) {
        return ETIMEDOUT;
    }
    int code = 0;
    socklen_t length = sizeof code;
    if (ready < 0 || getsockopt(fd, SOL_SOCKET, SO_ERROR, &code, &length) != 0) {
        return errno;
    }
    return code;
}

int connectOne(const addrinfo& address, std::chrono::milliseconds timeout, int& code) noexcept
{
    const int fd = socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC, address.ai_protocol);
    if (fd < 0) {
        code = errno;
        return -1;
    }
    const int flags = fcntl(fd, F_GETFL);
    fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    code = 0;
    if (connect(fd, address.ai_addr, address.ai_addrlen) != 0) {
        code = errno == EINPROGRESS ? finishConnect(fd, timeout) : errno;
    }
    if (code != 0) {
        close(fd);
        return -1;
    }
    fcntl(fd, F_SETFL, flags);
    return fd;
}

}  // namespace

int connectTcp(const std::string& host, std::uint16_t port, std::chrono::milliseconds timeout,
               std::string& error)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (const int code = getaddrinfo(host.c_str(), service.c_str(), &hints, &found); code != 0) {
        error = "cannot resolve " + host + ": " + gai_strerror(code);
        return -1;
    }
    const std::unique_ptr<addrinfo, AddressListDeleter> list(found);
    int code = 0;
    for (const addrinfo* address = found; address != nullptr; address = address->ai_next) {
        if (const int fd = connectOne(*address, timeout, code); fd >= 0) {
            return fd;
        }
    }
    error = "cannot connect to " + host + ":" + service + ": " + std::strerror(code);
    return -1;
}

bool waitReadable(int fd, std::chrono::milliseconds wait) noexcept
{
    pollfd p{fd, POLLIN, 0};
    const int ready = poll(&p, 1, pollMilliseconds(wait));
    return ready > 0;
}

}  // namespace gnsslog
