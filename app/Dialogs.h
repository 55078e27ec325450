// The application's modal dialogs behind one small interface, so tests can
// drive a load, and see every box, without a person at the screen.
#pragma once

#include <QString>
#include <QStringList>

#include <exception>
#include <optional>

class QDialog;
class QWidget;

namespace gnsslog {

// What File > "Open live source..." asks for.
struct LiveSourceRequest {
    QString source;   // in the report tool's syntax
    QString archive;  // the file to keep every received byte in; empty: a temporary one
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // The open-file dialog: no filter, no title, no default extension, and
    // the named file need not exist. Nothing when the user cancels.
    virtual std::optional<QString> openFileName(QWidget* parent) = 0;

    // The open-file dialog for several existing files; empty when the
    // user cancels. By default the one-file dialog's answer.
    virtual QStringList openFileNames(QWidget* parent);
    // Filters the next open-file dialogs offer, the first one selected
    // (empty: none). Dialogs that show no filters ignore them.
    virtual void setFileFilters(const QStringList& /*filters*/) {}

    // A box with no owner window, an OK button and no icon.
    virtual void message(const QString& title, const QString& text) = 0;

    // The application's standard error box for an error raised in an
    // event handler.
    virtual void error(const QString& text) = 0;

    // A one-line text input box; nothing when the user cancels (and from
    // dialogs that cannot ask).
    virtual std::optional<QString> askText(QWidget* parent, const QString& title, const QString& label);

    // File > "Open live source...": the source and its archive; nothing
    // when the user cancels (and from dialogs that cannot ask). A named
    // archive that exists was agreed to be replaced.
    virtual std::optional<LiveSourceRequest> liveSource(QWidget* parent);
};

// The Qt dialogs.
class QtDialogs final : public Dialogs {
public:
    std::optional<QString> openFileName(QWidget* parent) override;
    QStringList openFileNames(QWidget* parent) override;
    void setFileFilters(const QStringList& filters) override { filters_ = filters; }
    void message(const QString& title, const QString& text) override;
    void error(const QString& text) override;
    std::optional<QString> askText(QWidget* parent, const QString& title, const QString& label) override;
    std::optional<LiveSourceRequest> liveSource(QWidget* parent) override;

private:
    QStringList filters_;
    QString lastFolder_;  // of the last file chosen, while the application runs
};

// Runs a modal dialog above the application's windows, the always-on-top
// main window included, also under a window manager.
void execInFront(QDialog& dialog);

// The dialogs the application uses; QtDialogs unless a test swapped them.
Dialogs& appDialogs();

// Replaces the application's dialogs (null restores the Qt ones); returns
// the previous ones. For tests.
Dialogs* setAppDialogs(Dialogs* dialogs);

// Shows the message of an error that escaped an event handler in the
// standard error box, so the application carries on.
void showHandlerError(const std::exception& error);
void showHandlerError();  // for anything not derived from std::exception

}  // namespace gnsslog
