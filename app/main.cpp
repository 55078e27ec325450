// Start-up: the application object, the three permanent windows in their
// order, and the event loop until the main window closes.
#include <QApplication>

#include <clocale>
#include <exception>

#include "app/About.h"
#include "app/Dialogs.h"
#include "app/FormFont.h"
#include "app/ProgressBar.h"
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

}  // namespace

int main(int argc, char* argv[])
{
    GnssLogApplication app(argc, argv);
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
