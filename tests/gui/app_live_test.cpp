// The main window following a live TCP source: the source text the dialog
// builds, the recently used sources with their archives, the summary
// brought up to date as bytes arrive, the final picture equal to the
// offline load of the same bytes, a named archive kept with every byte,
// and a source or an archive that cannot be opened.
#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "app/LiveSourceDialog.h"
#include "app/LiveSourceText.h"
#include "live/SourceAddress.h"
#include "plots/windows/TrackPlot.h"
#include "plots/windows/XyPlot.h"
#include "tests/gui/app_support.h"

namespace gnsslog::apptest {
namespace {

TEST(LiveSourceText, EveryKindReadsBackAsTheSourceItNames)
{
    LiveSourceFields tcp;
    tcp.host = "receiver.local";
    tcp.port = "5017";
    SourceParse parse = parseSourceAddress(liveSourceText(tcp));
    EXPECT_EQ(parse.error, "");
    EXPECT_EQ(parse.address.kind, SourceKind::Tcp);
    EXPECT_EQ(parse.address.host, "receiver.local");
    EXPECT_EQ(parse.address.port, 5017);

    LiveSourceFields ipv6 = tcp;
    ipv6.host = "::1";
    parse = parseSourceAddress(liveSourceText(ipv6));
    EXPECT_EQ(parse.error, "");
    EXPECT_EQ(parse.address.host, "::1");
    EXPECT_EQ(parse.address.port, 5017);

    LiveSourceFields gpsd;
    gpsd.choice = LiveSourceChoice::Gpsd;
    gpsd.host = "localhost";
    parse = parseSourceAddress(liveSourceText(gpsd));
    EXPECT_EQ(parse.address.kind, SourceKind::Gpsd);
    EXPECT_EQ(parse.address.port, kGpsdDefaultPort);

    LiveSourceFields serial;
    serial.choice = LiveSourceChoice::Serial;
    serial.device = "/dev/ttyUSB0";
    serial.baud = "115200";
    parse = parseSourceAddress(liveSourceText(serial));
    EXPECT_EQ(parse.address.kind, SourceKind::Serial);
    EXPECT_EQ(parse.address.path, "/dev/ttyUSB0");
    EXPECT_EQ(parse.address.baud, 115200);
    serial.baud.clear();
    EXPECT_EQ(parseSourceAddress(liveSourceText(serial)).address.baud, kSerialDefaultBaud);

    LiveSourceFields file;
    file.choice = LiveSourceChoice::FollowedFile;
    file.file = "/var/log/rover.nmea";
    parse = parseSourceAddress(liveSourceText(file));
    EXPECT_EQ(parse.address.kind, SourceKind::FollowedFile);
    EXPECT_EQ(parse.address.path, "/var/log/rover.nmea");
}

TEST(RecentLiveSources, EachSourceKeepsItsOwnArchiveAsTheListMoves)
{
    RecentLiveSources recent;
    recent = withLiveSourceFirst(recent, "tcp://a:1", "/logs/a.nmea", 3);
    recent = withLiveSourceFirst(recent, "tcp://b:2", "", 3);
    recent = withLiveSourceFirst(recent, "tcp://c:3", "/logs/c.nmea", 3);
    EXPECT_EQ(recent.sources, (QStringList{"tcp://c:3", "tcp://b:2", "tcp://a:1"}));
    EXPECT_EQ(recent.archives, (QStringList{"/logs/c.nmea", "", "/logs/a.nmea"}));

    // Used again, a source moves to the top with its new archive, once.
    recent = withLiveSourceFirst(recent, "tcp://a:1", "/logs/a2.nmea", 3);
    EXPECT_EQ(recent.sources, (QStringList{"tcp://a:1", "tcp://c:3", "tcp://b:2"}));
    EXPECT_EQ(recent.archives, (QStringList{"/logs/a2.nmea", "/logs/c.nmea", ""}));

    // The oldest goes with its archive.
    recent = withLiveSourceFirst(recent, "tcp://d:4", "/logs/d.nmea", 3);
    EXPECT_EQ(recent.sources, (QStringList{"tcp://d:4", "tcp://a:1", "tcp://c:3"}));
    EXPECT_EQ(recent.archives, (QStringList{"/logs/d.nmea", "/logs/a2.nmea", "/logs/c.nmea"}));

    // Settings written before archives were kept: the sources had
    // temporary ones, and the new source's archive stays beside it.
    RecentLiveSources older{{"tcp://a:1", "tcp://b:2"}, {}};
    older = withLiveSourceFirst(older, "tcp://b:2", "/logs/b.nmea", 8);
    EXPECT_EQ(older.sources, (QStringList{"tcp://b:2", "tcp://a:1"}));
    EXPECT_EQ(older.archives, (QStringList{"/logs/b.nmea", ""}));
}

// A loopback server that sends its first part at once and the rest when
// released, then holds the connection until the test ends.
class TwoPartServer {
public:
    TwoPartServer(std::string first, std::string rest) : first_(std::move(first)), rest_(std::move(rest))
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(listener_, 1) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            return;
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~TwoPartServer()
    {
        done_.store(true);
        ::shutdown(listener_, SHUT_RDWR);
        if (thread_.joinable()) {
            thread_.join();
        }
        ::close(listener_);
    }
    TwoPartServer(const TwoPartServer&) = delete;
    TwoPartServer& operator=(const TwoPartServer&) = delete;

    int port() const { return port_; }
    void release() { released_.store(true); }

private:
    void sendAll(int client, const std::string& bytes)
    {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = ::send(client, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) {
                return;
            }
            sent += static_cast<std::size_t>(n);
        }
    }
    void serve()
    {
        const int client = ::accept(listener_, nullptr, nullptr);
        if (client < 0) {
            return;
        }
        sendAll(client, first_);
        while (!released_.load() && !done_.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        sendAll(client, rest_);
        while (!done_.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ::close(client);
    }

    std::string first_;
    std::string rest_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> released_{false};
    std::atomic<bool> done_{false};
    std::thread thread_;
};

class LiveSourceTest : public MainWindowTest {
protected:
    std::size_t records() const { return form->Analysis ? form->Analysis->records.size() : 0; }

    static std::string fileBytes(const QString& file)
    {
        std::ifstream in(file.toStdString(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
};

TEST_F(LiveSourceTest, SummaryFollowsTheBytesAndEndsAsTheOfflineLoadOfThem)
{
    const std::string log = nmeaLog(NmeaSolution::Gga, 60000);
    const QString file = dir.write("whole.nmea", log);
    // Cut mid-sentence: the first update must not need whole sentences.
    const std::size_t cut = log.size() / 3 + 7;
    TwoPartServer server(log.substr(0, cut), log.substr(cut));
    ASSERT_GT(server.port(), 0);
    form->NMEAAscii->setChecked(true);
    form->Track1->setChecked(true);

    form->openLiveSource(QStringLiteral("tcp://127.0.0.1:%1").arg(server.port()));
    ASSERT_TRUE(form->live()) << (dialogs.messages.empty() ? QString() : dialogs.messages.back().text).toStdString();
    EXPECT_TRUE(form->StopLiveSource1->isEnabled());
    ASSERT_TRUE(waitFor([&] { return records() > 0; }, std::chrono::seconds(20)));
    const std::size_t early = records();
    const QString earlySummary = form->Label1->text();
    // Not zoomed, the error plot shows the whole log to its newest epoch.
    ASSERT_TRUE(form->ErrorPlotForm);
    TXYPlotForm& plot = *form->ErrorPlotForm;
    EXPECT_DOUBLE_EQ(plot.View.CentreTime + plot.View.TimeSpan / 2, form->Analysis->endTime);
    // Zoomed in, it keeps its time window while the log grows.
    plot.View.HoveredTime = plot.View.CentreTime;
    plot.Zoomin1Click();
    ASSERT_EQ(plot.View.ZoomLevel, 2);
    const PlotViewState zoomed = plot.View;

    server.release();
    ASSERT_TRUE(waitFor([&] { return records() > early; }, std::chrono::seconds(20)));
    EXPECT_NE(form->Label1->text(), earlySummary);
    EXPECT_EQ(plot.Analysis, form->Analysis.get());
    EXPECT_EQ(plot.View.ZoomLevel, 2);
    EXPECT_EQ(plot.View.CentreTime, zoomed.CentreTime);
    EXPECT_EQ(plot.View.TimeSpan, zoomed.TimeSpan);
    // The Track window's series, built with the analysis, holds its positions.
    ASSERT_TRUE(form->TrackForm);
    const auto positions = std::count_if(form->Analysis->records.begin(), form->Analysis->records.end(),
                                         [](const GNSSRecord& r) { return r.has(ValidFlag::LatLon); });
    EXPECT_EQ(static_cast<std::ptrdiff_t>(form->TrackForm->Image1->series().rover.size()), positions);
    // Stop analyses what arrived last before the source goes.
    ASSERT_TRUE(waitFor([&] { return form->liveBytesReceived() == log.size(); }, std::chrono::seconds(20)));
    form->StopLiveSource1Click();
    EXPECT_FALSE(form->live());
    EXPECT_FALSE(form->StopLiveSource1->isEnabled());
    EXPECT_TRUE(dialogs.messages.empty());
    const QString liveTexts[] = {form->Label1->text(), form->Label2->text(), form->Label3->text(),
                                 form->Label4->text(), form->Label5->text(), form->Label6->text()};

    load(file);
    const QString offlineTexts[] = {form->Label1->text(), form->Label2->text(), form->Label3->text(),
                                    form->Label4->text(), form->Label5->text(), form->Label6->text()};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(liveTexts[i], offlineTexts[i]) << "label " << i;
    }
}

TEST_F(LiveSourceTest, FileBeingWrittenIsFollowedAsItGrows)
{
    const std::string log = nmeaLog(NmeaSolution::Gga, 40000);
    const std::size_t cut = log.size() / 2 + 3;
    const QString file = dir.write("growing.nmea", log.substr(0, cut));
    form->NMEAAscii->setChecked(true);

    form->openLiveSource(file);
    ASSERT_TRUE(form->live());
    // No archive named: a temporary one, named by the status line.
    const QString status = form->statusBar()->currentMessage();
    const qsizetype at = status.lastIndexOf(QStringLiteral(", archive "));
    ASSERT_GE(at, 0) << status.toStdString();
    const QString temporary = status.mid(at + 10);
    EXPECT_TRUE(QFileInfo::exists(temporary)) << temporary.toStdString();
    ASSERT_TRUE(waitFor([&] { return records() > 0; }, std::chrono::seconds(20)));
    const std::size_t early = records();
    {
        std::ofstream out(file.toStdString(), std::ios::binary | std::ios::app);
        out << log.substr(cut);
    }
    ASSERT_TRUE(waitFor([&] { return form->liveBytesReceived() == log.size(); }, std::chrono::seconds(20)));
    form->StopLiveSource1Click();
    EXPECT_GT(records(), early);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_FALSE(QFileInfo::exists(temporary)) << "the temporary archive stayed after Stop";
    EXPECT_FALSE(form->statusBar()->currentMessage().contains(QStringLiteral("kept"))) << "a temporary archive is not kept";
}

TEST_F(LiveSourceTest, NamedArchiveReplacesTheFileAndKeepsEveryByteAfterStop)
{
    const std::string log = nmeaLog(NmeaSolution::Gga, 30000);
    TwoPartServer server(log, "");
    ASSERT_GT(server.port(), 0);
    // The dialog asked about replacing it; the old bytes must all go.
    const QString archive = dir.write("kept.nmea", std::string(log.size() * 2, 'x'));
    form->NMEAAscii->setChecked(true);
    dialogs.liveSources.push_back({QStringLiteral("tcp://127.0.0.1:%1").arg(server.port()), archive});

    form->OpenLiveSource1Click();
    ASSERT_TRUE(form->live());
    EXPECT_TRUE(form->statusBar()->currentMessage().contains(archive)) << form->statusBar()->currentMessage().toStdString();
    ASSERT_TRUE(waitFor([&] { return form->liveBytesReceived() == log.size(); }, std::chrono::seconds(20)));
    form->StopLiveSource1Click();
    EXPECT_FALSE(form->live());
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(form->statusBar()->currentMessage().contains(archive)) << form->statusBar()->currentMessage().toStdString();
    EXPECT_TRUE(fileBytes(archive) == log) << "the archive holds " << fileBytes(archive).size() << " bytes of "
                                           << log.size();
    // Still there once the window that followed it is gone.
    form.reset();
    EXPECT_TRUE(fileBytes(archive) == log);
}

TEST_F(LiveSourceTest, ArchiveThatCannotBeCreatedOrIsTheFollowedFileGetsAnErrorBoxAndNoSession)
{
    TwoPartServer server("", "");
    ASSERT_GT(server.port(), 0);
    const QString unwritable = QString::fromStdString((dir.path() / "no-such-folder" / "kept.nmea").string());
    form->openLiveSource(QStringLiteral("tcp://127.0.0.1:%1").arg(server.port()), unwritable);
    EXPECT_FALSE(form->live());
    EXPECT_FALSE(form->StopLiveSource1->isEnabled());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, "Error");
    EXPECT_TRUE(dialogs.messages[0].text.contains(unwritable)) << dialogs.messages[0].text.toStdString();
    EXPECT_EQ(form->Label1->text(), "No file...");

    // Emptying the followed file would destroy the log being followed.
    const std::string log = nmeaLog(NmeaSolution::Gga, 5000);
    const QString followed = dir.write("followed.nmea", log);
    form->openLiveSource(followed, followed);
    EXPECT_FALSE(form->live());
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_TRUE(dialogs.messages[1].text.contains(followed)) << dialogs.messages[1].text.toStdString();
    EXPECT_TRUE(fileBytes(followed) == log);
    // So would an archive that is the same file under another name.
    const std::filesystem::path hardLink = dir.path() / "archive-link.nmea";
    std::filesystem::create_hard_link(followed.toStdString(), hardLink);
    form->openLiveSource(followed, QString::fromStdString(hardLink.string()));
    EXPECT_FALSE(form->live());
    ASSERT_EQ(dialogs.messages.size(), 3u);
    EXPECT_TRUE(fileBytes(followed) == log);
}

TEST_F(LiveSourceTest, RefusedConnectionAndBadTextGetAnErrorBoxAndNoSession)
{
    int port = 0;
    {
        // A port just freed: nothing listens on it.
        TwoPartServer closed("", "");
        port = closed.port();
    }
    form->openLiveSource(QStringLiteral("tcp://127.0.0.1:%1").arg(port));
    EXPECT_FALSE(form->live());
    EXPECT_FALSE(form->StopLiveSource1->isEnabled());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, "Error");
    EXPECT_TRUE(dialogs.messages[0].text.contains(QStringLiteral("127.0.0.1")));

    form->openLiveSource(QStringLiteral("tcp://127.0.0.1"));
    EXPECT_FALSE(form->live());
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(form->Label1->text(), "No file...");
}

}  // namespace
}  // namespace gnsslog::apptest
