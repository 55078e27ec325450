// A raw byte stream over TCP that reconnects with back-off after a drop.
#pragma once

#include <string>

#include "live/Backoff.h"
#include "live/ByteSource.h"

namespace gnsslog {

class TcpSource final : public ByteSource {
public:
    // greeting: bytes sent after every connection (gpsd's ?WATCH), or empty.
    TcpSource(std::string host, std::uint16_t port, std::string greeting = {});
    ~TcpSource() override;
    TcpSource(const TcpSource&) = delete;
    TcpSource& operator=(const TcpSource&) = delete;

    // The first connection; an empty text on success, else why it failed.
    // A source that never connected is an error, not something to retry.
    std::string open();
    ReadResult read(std::vector<std::uint8_t>& bytes, std::chrono::milliseconds wait) override;
    SourceCounters counters() const override { return counters_; }
    bool connected() const noexcept { return fd_ >= 0; }

private:
    bool connectNow(std::string& error);
    void drop();

    std::string host_;
    std::uint16_t port_;
    std::string greeting_;
    int fd_ = -1;
    Backoff backoff_;
    SourceCounters counters_;
};

}  // namespace gnsslog
