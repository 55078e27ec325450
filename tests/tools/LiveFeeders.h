// Feeders for the live-source tests: a loopback TCP server that replays
// bytes at a chosen pace and drops the connection at a chosen byte, and
// helpers to read the real logs and files whole.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace gnsslog {

inline std::filesystem::path realLogFolder()
{
    return std::filesystem::path(GNSSLOG_SOURCE_DIR) / ".." / "shared" / "realdata" / "logs";
}

inline std::string readWholeFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Serves one part of the bytes to each of its first clients in turn,
// closing each connection after its part, then stops listening. Chunks of
// chunkBytes with `pause` between them set the pace.
class LoopbackReplayer {
public:
    LoopbackReplayer(std::vector<std::string> parts, std::size_t chunkBytes,
                     std::chrono::microseconds pause)
        : parts_(std::move(parts)), chunk_(chunkBytes), pause_(pause)
    {
        const int listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(listener, reinterpret_cast<sockaddr*>(&address), length);
        listen(listener, 1);
        listener_ = listener;
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    // bytes up to `cut` to the first client, the rest to the second.
    LoopbackReplayer(const std::string& bytes, std::size_t cut, std::size_t chunkBytes,
                     std::chrono::microseconds pause)
        : LoopbackReplayer(std::vector<std::string>{bytes.substr(0, std::min(cut, bytes.size())),
                                                    bytes.substr(std::min(cut, bytes.size()))},
                           chunkBytes, pause)
    {
    }
    ~LoopbackReplayer()
    {
        if (const int listener = listener_.exchange(-1); listener >= 0) {
            shutdown(listener, SHUT_RDWR);  // wakes an accept that no client will answer
            thread_.join();
            close(listener);
        } else {
            thread_.join();
        }
    }
    LoopbackReplayer(const LoopbackReplayer&) = delete;
    LoopbackReplayer& operator=(const LoopbackReplayer&) = delete;

    std::uint16_t port() const { return port_; }
    std::string url() const { return "tcp://127.0.0.1:" + std::to_string(port_); }

private:
    void sendPart(const std::string& part)
    {
        const int client = accept(listener_.load(), nullptr, nullptr);
        if (client < 0) {
            return;
        }
        for (std::size_t at = 0; at < part.size(); at += chunk_) {
            const std::size_t n = std::min(chunk_, part.size() - at);
            if (send(client, part.data() + at, n, MSG_NOSIGNAL) != static_cast<ssize_t>(n)) {
                break;
            }
            std::this_thread::sleep_for(pause_);
        }
        // An orderly close: a socket closed with the client's request
        // (gpsd's ?WATCH) still unread sends a reset, and a reset makes the
        // client's kernel drop bytes the client has not read yet.
        shutdown(client, SHUT_WR);
        timeval limit{2, 0};
        setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        char ignored[512];
        while (recv(client, ignored, sizeof ignored, 0) > 0) {
        }
        close(client);
    }
    void serve()
    {
        for (const std::string& part : parts_) {
            sendPart(part);
        }
        // No third connection: later reconnects are refused, not counted.
        if (const int listener = listener_.exchange(-1); listener >= 0) {
            close(listener);
        }
    }

    std::vector<std::string> parts_;
    std::size_t chunk_;
    std::chrono::microseconds pause_;
    std::atomic<int> listener_{-1};
    std::uint16_t port_ = 0;
    std::thread thread_;
};

}  // namespace gnsslog
