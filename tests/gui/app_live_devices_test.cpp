// The main window following a receiver on a serial port (a pseudo-terminal
// stands in) and through gpsd's raw mode (a loopback server answers as
// gpsd does): every byte reaches the analysis, which ends as the offline
// load of the same bytes; and between updates, the errors are measured
// again against the averaged truth as it moves.
#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QThread>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "tests/gui/app_support.h"
#include "tests/tools/LiveFeeders.h"

namespace gnsslog::apptest {
namespace {

using namespace std::chrono_literals;

// What gpsd answers a raw-mode ?WATCH before the receiver's own bytes.
const std::string kGpsdRawAnswer =
    "{\"class\":\"VERSION\",\"release\":\"3.22\",\"rev\":\"3.22\",\"proto_major\":3,\"proto_minor\":14}\r\n"
    "{\"class\":\"DEVICES\",\"devices\":[{\"class\":\"DEVICE\",\"path\":\"/dev/pts/3\",\"native\":0,"
    "\"bps\":4800,\"parity\":\"N\",\"stopbits\":1,\"cycle\":1.00}]}\r\n"
    "{\"class\":\"WATCH\",\"enable\":true,\"json\":false,\"nmea\":false,\"raw\":2,\"scaled\":false,"
    "\"timing\":false,\"split24\":false,\"pps\":false}\r\n";

// A pseudo-terminal whose far end stands for the receiver's port.
class PseudoTerminal {
public:
    PseudoTerminal()
    {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
            return;
        }
        device_ = ptsname(master_);
        // Raw from the start, so no byte is echoed or translated before the
        // source sets the port up; held open so writes never fail.
        slave_ = open(device_.c_str(), O_RDWR | O_NOCTTY);
        termios raw{};
        tcgetattr(slave_, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave_, TCSANOW, &raw);
    }
    ~PseudoTerminal()
    {
        if (writer_.joinable()) {
            writer_.join();
        }
        close(slave_);
        close(master_);
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool ready() const { return slave_ >= 0; }
    const std::string& device() const { return device_; }

    // Writes bytes as a receiver would, in small pieces `pause` apart, on
    // a thread.
    void send(std::string bytes, std::chrono::milliseconds pause = 1ms)
    {
        writer_ = std::thread([this, bytes = std::move(bytes), pause] {
            std::this_thread::sleep_for(300ms);
            for (std::size_t at = 0; at < bytes.size(); at += 512) {
                const std::size_t n = std::min<std::size_t>(512, bytes.size() - at);
                if (write(master_, bytes.data() + at, n) != static_cast<ssize_t>(n)) {
                    return;
                }
                std::this_thread::sleep_for(pause);
            }
        });
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string device_;
    std::thread writer_;
};

class LiveDeviceTest : public MainWindowTest {
protected:

    // Follows source until every byte of log has come, stops, then loads
    // the same bytes from a file: the summary must read the same.
    void expectEndsAsTheOfflineLoad(const QString& source, const std::string& log)
    {
        form->NMEAAscii->setChecked(true);
        form->openLiveSource(source);
        ASSERT_TRUE(form->live()) << (dialogs.messages.empty() ? QString() : dialogs.messages.back().text).toStdString();
        ASSERT_TRUE(waitFor([&] { return form->liveBytesReceived() == log.size(); }, std::chrono::seconds(30)))
            << form->liveBytesReceived() << " of " << log.size() << " bytes";
        form->StopLiveSource1Click();
        EXPECT_TRUE(dialogs.messages.empty());
        ASSERT_TRUE(form->Analysis);
        const std::size_t liveRecords = form->Analysis->records.size();
        const std::int32_t liveSamples = form->Analysis->histX.sampleCount();
        const QString liveTexts[] = {form->Label1->text(), form->Label2->text(), form->Label3->text(),
                                     form->Label4->text(), form->Label5->text(), form->Label6->text()};

        load(dir.write("offline.nmea", log));
        EXPECT_EQ(liveRecords, form->Analysis->records.size());
        EXPECT_EQ(liveSamples, form->Analysis->histX.sampleCount());
        const QString offlineTexts[] = {form->Label1->text(), form->Label2->text(), form->Label3->text(),
                                        form->Label4->text(), form->Label5->text(), form->Label6->text()};
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(liveTexts[i], offlineTexts[i]) << "label " << i;
        }
    }
};

TEST_F(LiveDeviceTest, SerialPortOnAPseudoTerminalEndsAsTheOfflineLoad)
{
    PseudoTerminal port;
    ASSERT_TRUE(port.ready());
    const std::string log = nmeaLog(NmeaSolution::Gga, 50000);
    port.send(log);
    expectEndsAsTheOfflineLoad(QString::fromStdString("serial:" + port.device() + "?baud=115200"), log);
}

TEST_F(LiveDeviceTest, GpsdRawModeEndsAsTheOfflineLoadOfTheReceiversBytes)
{
    const std::string log = nmeaLog(NmeaSolution::Gga, 50000);
    // One connection, then the server goes: a drop the session counts.
    const LoopbackReplayer gpsd({kGpsdRawAnswer + log}, 700, 1ms);
    expectEndsAsTheOfflineLoad(QStringLiteral("gpsd://127.0.0.1:%1").arg(gpsd.port()), log);
}

TEST_F(LiveDeviceTest, EachUpdateMeasuresEveryErrorAgainstTheAveragedTruthAsItMoves)
{
    PseudoTerminal port;
    ASSERT_TRUE(port.ready());
    // About four seconds of bytes: several updates.
    const std::string log = nmeaLog(NmeaSolution::Gga, 60000);
    port.send(log, 35ms);
    form->NMEAAscii->setChecked(true);
    form->openLiveSource(QString::fromStdString("serial:" + port.device() + "?baud=115200"));
    ASSERT_TRUE(form->live());
    // Every update: each RTK-fixed record with a grid position is one sample
    // of the X histogram, measured against this update's average.
    std::size_t updates = 0;
    std::size_t lastRecords = 0;
    double firstAverage = 0;
    bool averageMoved = false;
    waitFor(
        [&] {
            if (!form->Analysis || form->Analysis->records.size() == lastRecords) {
                return form->liveBytesReceived() == log.size() && updates >= 3;
            }
            const GNSSLog& analysis = *form->Analysis;
            lastRecords = analysis.records.size();
            const auto fixed = std::count_if(analysis.records.begin(), analysis.records.end(), [](const GNSSRecord& r) {
                return r.fixType == FixType::RtkFixed && r.has(ValidFlag::Grid);
            });
            EXPECT_EQ(analysis.histX.sampleCount(), fixed) << "update " << updates;
            if (updates == 0) {
                firstAverage = analysis.avgX;
            }
            averageMoved = averageMoved || analysis.avgX != firstAverage;
            ++updates;
            return false;
        },
        std::chrono::seconds(30));
    form->StopLiveSource1Click();
    EXPECT_GE(updates, 3u);
    EXPECT_TRUE(averageMoved);
}

TEST_F(LiveDeviceTest, ChangedSettingsTakeEffectWithoutNewBytes)
{
    PseudoTerminal port;
    ASSERT_TRUE(port.ready());
    const std::string log = nmeaLog(NmeaSolution::Gga, 40000);
    port.send(log);
    // NMEA read as NavCom binary: nothing to show.
    form->Navcombinary->setChecked(true);
    form->openLiveSource(QString::fromStdString("serial:" + port.device() + "?baud=115200"));
    ASSERT_TRUE(form->live());
    ASSERT_TRUE(waitFor([&] { return form->liveBytesReceived() == log.size(); }, std::chrono::seconds(30)));
    waitFor([] { return false; }, std::chrono::seconds(2));
    EXPECT_TRUE(!form->Analysis || form->Analysis->records.empty());

    form->NMEAAscii->setChecked(true);
    ASSERT_TRUE(waitFor([&] { return form->Analysis && !form->Analysis->records.empty(); },
                        std::chrono::seconds(10)));
    // Another truth, still without new bytes: the errors are measured again.
    form->Usefirstfixposition1->setChecked(true);
    ASSERT_TRUE(waitFor([&] { return form->Analysis->truthMode == TruthMode::FirstFix; }, std::chrono::seconds(10)));
    form->Useaverageposition1->setChecked(true);
    form->StopLiveSource1Click();
    const std::size_t liveRecords = form->Analysis->records.size();
    const QString liveSummary = form->Label1->text();
    load(dir.write("offline.nmea", log));
    EXPECT_EQ(liveRecords, form->Analysis->records.size());
    EXPECT_EQ(liveSummary, form->Label1->text());
}

}  // namespace
}  // namespace gnsslog::apptest
