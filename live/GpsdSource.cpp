#include "live/GpsdSource.h"

namespace gnsslog {

namespace {

constexpr std::size_t kLongestAnswerLine = 64 * 1024;  // bytes; gpsd's lines are far shorter
constexpr std::string_view kClassKey = "{\"class\":\"";

}  // namespace

GpsdSource::GpsdSource(std::string host, std::uint16_t port)
    : where_(host + ":" + std::to_string(port)), tcp_(std::move(host), port, kGpsdRawWatch)
{
}

std::string GpsdSource::checkAnswerLine(const std::string& line)
{
    if (!line.starts_with(kClassKey)) {
        return "gpsd://" + where_ + " is not a gpsd: its answer is not gpsd's JSON";
    }
    const std::string_view name = std::string_view(line).substr(kClassKey.size());
    if (name.starts_with("ERROR\"")) {
        return "gpsd://" + where_ + " refused raw mode: " + line;
    }
    if (name.starts_with("WATCH\"")) {
        if (line.find("\"raw\":2") == std::string::npos) {
            return "gpsd://" + where_ + " speaks no raw mode (its answer: " + line + ")";
        }
        state_ = State::Raw;
    }
    return {};
}

void GpsdSource::takeAnswers(std::vector<std::uint8_t>& bytes, std::string& error)
{
    std::size_t lineStart = 0;
    while (state_ == State::Handshake && error.empty()) {
        const std::size_t end = answer_.find('\n', lineStart);
        if (end == std::string::npos) {
            break;
        }
        std::string line = answer_.substr(lineStart, end - lineStart);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        error = checkAnswerLine(line);
        lineStart = end + 1;
    }
    answer_.erase(0, lineStart);
    if (state_ == State::Raw) {
        bytes.insert(bytes.end(), answer_.begin(), answer_.end());
        answer_.clear();
    } else if (error.empty() && answer_.size() > kLongestAnswerLine) {
        error = "gpsd://" + where_ + " is not a gpsd: no line end in its answer";
    }
}

std::string GpsdSource::open()
{
    if (std::string error = tcp_.open(); !error.empty()) {
        return error;
    }
    handshakeDeadline_ = std::chrono::steady_clock::now() + kConnectTimeout;
    std::vector<std::uint8_t> early;
    while (state_ == State::Handshake) {
        ReadResult result = read(early, std::chrono::milliseconds{100});
        if (result.status == ReadStatus::Failed) {
            return result.error;
        }
        if (tcp_.counters().drops > 0) {
            return "gpsd://" + where_ + " closed the connection before answering ?WATCH";
        }
    }
    answer_.assign(early.begin(), early.end());  // the receiver's first bytes, delivered next
    return {};
}

ReadResult GpsdSource::read(std::vector<std::uint8_t>& bytes, std::chrono::milliseconds wait)
{
    if (state_ == State::Raw && !answer_.empty()) {
        bytes.insert(bytes.end(), answer_.begin(), answer_.end());
        answer_.clear();
        return {ReadStatus::Data, {}};
    }
    std::vector<std::uint8_t> incoming;
    ReadResult result = tcp_.read(state_ == State::Raw ? bytes : incoming, wait);
    if (tcp_.counters().reconnects != seenReconnects_) {
        // A new connection: gpsd greets it and answers ?WATCH again.
        seenReconnects_ = tcp_.counters().reconnects;
        state_ = State::Handshake;
        answer_.clear();
        handshakeDeadline_ = std::chrono::steady_clock::now() + kConnectTimeout;
    }
    if (state_ == State::Raw) {
        return result;
    }
    answer_.append(incoming.begin(), incoming.end());
    std::string error;
    const std::size_t before = bytes.size();
    takeAnswers(bytes, error);
    if (!error.empty()) {
        return {ReadStatus::Failed, error};
    }
    if (state_ == State::Handshake && tcp_.connected() &&
        std::chrono::steady_clock::now() > handshakeDeadline_) {
        return {ReadStatus::Failed, "gpsd://" + where_ + " did not answer ?WATCH"};
    }
    result.status = bytes.size() > before ? ReadStatus::Data : ReadStatus::Idle;
    return result;
}

}  // namespace gnsslog
