#include "live/SerialSource.h"

#include <thread>

#include <QCoreApplication>
#include <QSerialPort>

#include "live/Backoff.h"

namespace gnsslog {

namespace {

// Qt's port watches its descriptor with socket notifiers, which need an
// application object on the thread; a command-line tool has none, so the
// source makes one for its own lifetime.
std::unique_ptr<QCoreApplication> applicationIfNone()
{
    if (QCoreApplication::instance() != nullptr) {
        return nullptr;
    }
    static int argc = 1;
    static char name[] = "gnsslog-serial";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QCoreApplication>(argc, argv);
}

class SerialSource final : public ByteSource {
public:
    SerialSource(const std::string& device, std::int32_t baud)
        : application_(applicationIfNone()), device_(QString::fromStdString(device)), baud_(baud)
    {
    }

    // An empty text when the port is open at the baud rate.
    std::string open()
    {
        port_.setPortName(device_);
        if (!port_.open(QIODevice::ReadOnly)) {
            return "cannot open serial:" + device_.toStdString() + ": " +
                   port_.errorString().toStdString();
        }
        if (!port_.setBaudRate(baud_) || !port_.setDataBits(QSerialPort::Data8) ||
            !port_.setParity(QSerialPort::NoParity) || !port_.setStopBits(QSerialPort::OneStop) ||
            !port_.setFlowControl(QSerialPort::NoFlowControl)) {
            const std::string error = port_.errorString().toStdString();
            port_.close();
            return "cannot set serial:" + device_.toStdString() + " to " + std::to_string(baud_) +
                   " baud: " + error;
        }
        return {};
    }

    ReadResult read(std::vector<std::uint8_t>& bytes, std::chrono::milliseconds wait) override
    {
        if (!port_.isOpen()) {
            reopen(wait);
            return {};
        }
        if (port_.bytesAvailable() == 0 && !port_.waitForReadyRead(static_cast<int>(wait.count()))) {
            if (port_.error() != QSerialPort::NoError && port_.error() != QSerialPort::TimeoutError) {
                dropPort();
            }
            return {};
        }
        const QByteArray data = port_.readAll();
        bytes.insert(bytes.end(), data.begin(), data.end());
        return {data.isEmpty() ? ReadStatus::Idle : ReadStatus::Data, {}};
    }

    SourceCounters counters() const override { return counters_; }

private:
    void dropPort()
    {
        port_.close();
        port_.clearError();
        ++counters_.drops;
        backoff_.failed(Backoff::Clock::now());
    }

    void reopen(std::chrono::milliseconds wait)
    {
        const auto now = Backoff::Clock::now();
        if (!backoff_.due(now)) {
            std::this_thread::sleep_for(std::min<Backoff::Clock::duration>(wait, backoff_.next() - now));
            return;
        }
        if (open().empty()) {
            ++counters_.reconnects;
            backoff_.succeeded();
        } else {
            backoff_.failed(Backoff::Clock::now());
        }
    }

    std::unique_ptr<QCoreApplication> application_;  // declared first: outlives the port
    QString device_;
    std::int32_t baud_;
    QSerialPort port_;
    Backoff backoff_;
    SourceCounters counters_;
};

}  // namespace

std::unique_ptr<ByteSource> openSerialSource(const std::string& device, std::int32_t baud,
                                             std::string& error)
{
    auto source = std::make_unique<SerialSource>(device, baud);
    error = source->open();
    if (!error.empty()) {
        return nullptr;
    }
    return source;
}

}  // namespace gnsslog
