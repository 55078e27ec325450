// Start-up: the application object, the three permanent windows in their
// order, and the event loop until the main window closes.
#include <QApplication>
#include <QFile>

#include <CLI/CLI.hpp>

#include <clocale>
#include <exception>
#include <optional>

#include "app/About.h"
#include "app/Dialogs.h"
#include "app/FormFont.h"
#include "app/ProgressBar.h"
#include "app/ViewerOptions.h"
#include "app/logviewerform.h"

namespace {

// An exception escaping an event handler is shown in the standard error
// box and the application carries on.
class GnssLogApplication final : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& error) {
            gnsslog::showHandlerError(error);
        } catch (...) {
            gnsslog::showHandlerError();
        }
        return false;
    }
};

// CLI11's exit codes are its own; a bad command line ends with 2, as in
// the other tools.
constexpr int kUsageExit = 2;

// --help and --version are answered before the application object exists,
// so they work without a display. Qt's own options are not known yet, so
// anything else is left to parseCommandLine.
std::optional<int> answerWithoutDisplay(int argc, char** argv)
{
    gnsslog::ViewerOptions ignored;
    CLI::App cli{gnsslog::kViewerDescription, "gnsslog"};
    gnsslog::addViewerOptions(cli, ignored);
    cli.allow_extras();
    try {
        cli.parse(argc, argv);
    } catch (const CLI::Success& answer) {
        return cli.exit(answer);
    } catch (const CLI::ParseError&) {
    }
    return std::nullopt;
}

// The command line once QApplication has taken its own options out of it;
// an exit status when it is wrong.
std::optional<int> parseCommandLine(int argc, char** argv, gnsslog::ViewerOptions& options)
{
    CLI::App cli{gnsslog::kViewerDescription, "gnsslog"};
    gnsslog::addViewerOptions(cli, options);
    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return cli.exit(error) == 0 ? 0 : kUsageExit;
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (const std::optional<int> status = answerWithoutDisplay(argc, argv)) {
        return *status;
    }
    GnssLogApplication app(argc, argv);
    gnsslog::ViewerOptions options;
    if (const std::optional<int> status = parseCommandLine(argc, argv, options)) {
        return *status;
    }
    // Qt has set the C library's locale from the environment. Texts and
    // files keep '.' as their decimal point; the edit boxes read the user's
    // separator through QLocale, which this does not touch.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("gnsslog"));
    gnsslog::registerDesignedFont();
    gnsslog::setFormFontForApplication();
    // Plot windows are top-level windows of their own; only the main window
    // decides when the application ends.
    QApplication::setQuitOnLastWindowClosed(false);

    Form3 = new gnsslog::TForm3();
    FormProgress = new gnsslog::TFormProgress();
    AboutDialog = new gnsslog::TAboutDialog();
    QObject::connect(Form3, &gnsslog::TForm3::closed, &app, &QCoreApplication::quit);

    Form3->show();
    if (!options.logFile.empty()) {
        // Queued, so the main window is on the screen behind any error box
        // and an error raised by the load reaches the standard error box.
        const QString fileName = QFile::decodeName(QByteArray::fromStdString(options.logFile));
        QMetaObject::invokeMethod(
            Form3, [fileName] { Form3->openLogFile(fileName); }, Qt::QueuedConnection);
    }
    const int status = QApplication::exec();

    // Reverse order of creation; the main window takes its plot windows
    // and the analysis with it.
    delete AboutDialog;
    AboutDialog = nullptr;
    delete FormProgress;
    FormProgress = nullptr;
    delete Form3;
    Form3 = nullptr;
    return status;
}
