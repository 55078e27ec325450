#include "live/TcpSource.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "live/TcpConnect.h"

namespace gnsslog {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;  // bytes per recv

bool sendAll(int fd, const std::string& text) noexcept
{
    std::size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

TcpSource::TcpSource(std::string host, std::uint16_t port, std::string greeting)
    : host_(std::move(host)), port_(port), greeting_(std::move(greeting))
{
}

TcpSource::~TcpSource()
{
    if (fd_ >= 0) {
        close(fd_);
    }
}

bool TcpSource::connectNow(std::string& error)
{
    fd_ = connectTcp(host_, port_, kConnectTimeout, error);
    if (fd_ >= 0 && !greeting_.empty() && !sendAll(fd_, greeting_)) {
        error = "cannot send to " + host_ + ":" + std::to_string(port_);
        close(fd_);
        fd_ = -1;
    }
    return fd_ >= 0;
}

std::string TcpSource::open()
{
    std::string error;
    connectNow(error);
    return error;
}

void TcpSource::drop()
{
    close(fd_);
    fd_ = -1;
    ++counters_.drops;
    backoff_.failed(Backoff::Clock::now());
}

ReadResult TcpSource::read(std::vector<std::uint8_t>& bytes, std::chrono::milliseconds wait)
{
    if (fd_ < 0) {
        const auto now = Backoff::Clock::now();
        if (!backoff_.due(now)) {
            std::this_thread::sleep_for(std::min<Backoff::Clock::duration>(wait, backoff_.next() - now));
            return {};
        }
        std::string ignored;  // a failed reconnect is retried, not reported
        if (connectNow(ignored)) {
            ++counters_.reconnects;
            backoff_.succeeded();
        } else {
            backoff_.failed(Backoff::Clock::now());
        }
        return {};
    }
    if (!waitReadable(fd_, wait)) {
        return {};
    }
    const std::size_t old = bytes.size();
    bytes.resize(old + kReadChunk);
    ssize_t n = 0;
    do {
        n = recv(fd_, bytes.data() + old, kReadChunk, 0);
    } while (n < 0 && errno == EINTR);
    bytes.resize(old + static_cast<std::size_t>(n > 0 ? n : 0));
    if (n <= 0) {
        drop();
        return {};
    }
    return {ReadStatus::Data, {}};
}

}  // namespace gnsslog
