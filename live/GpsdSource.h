// gpsd's raw pass-through: the receiver's own bytes, so the same decoders
// run as on its log. After every connection the source asks for raw mode
// 2 (the device's bytes unchanged) and drops gpsd's JSON answers up to
// and including the WATCH one; what follows is the receiver's.
#pragma once

#include <string>

#include "live/ByteSource.h"
#include "live/TcpSource.h"

namespace gnsslog {

// The request after each connection, a line of gpsd's protocol.
inline constexpr const char* kGpsdRawWatch = "?WATCH={\"enable\":true,\"raw\":2}\n";

class GpsdSource final : public ByteSource {
public:
    GpsdSource(std::string host, std::uint16_t port);

    // Connects and waits for gpsd's WATCH answer; an empty text when
    // gpsd passes raw bytes, else why not (not a gpsd, no raw mode, no
    // answer within kConnectTimeout).
    std::string open();
    ReadResult read(std::vector<std::uint8_t>& bytes, std::chrono::milliseconds wait) override;
    SourceCounters counters() const override { return tcp_.counters(); }

private:
    enum class State : std::uint8_t {
        Handshake,  // gpsd's JSON lines, up to its WATCH answer
        Raw         // the receiver's bytes
    };
    // Takes the JSON lines out of answer_; error names what went wrong.
    void takeAnswers(std::vector<std::uint8_t>& bytes, std::string& error);
    std::string checkAnswerLine(const std::string& line);

    std::string where_;
    TcpSource tcp_;
    State state_ = State::Handshake;
    std::string answer_;  // handshake bytes not yet a whole line
    std::chrono::steady_clock::time_point handshakeDeadline_;
    std::int64_t seenReconnects_ = 0;
};

}  // namespace gnsslog
