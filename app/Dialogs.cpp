#include "app/Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QWindow>

#include <exception>

#include "app/LiveSourceDialog.h"

namespace gnsslog {

std::optional<QString> QtDialogs::openFileName(QWidget* parent)
{
    // Qt's own dialog rather than a desktop portal: it behaves the same on
    // every desktop, and it accepts a typed name of a file that does not
    // exist yet (AnyFile).
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!lastFolder_.isEmpty()) {
        dialog.setDirectory(lastFolder_);
    }
    if (!filters_.isEmpty()) {
        dialog.setNameFilters(filters_);
        dialog.selectNameFilter(filters_.front());
    }
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) {
        return QString();
    }
    lastFolder_ = QFileInfo(files.front()).absolutePath();
    return files.front();
}

QStringList Dialogs::openFileNames(QWidget* parent)
{
    const std::optional<QString> file = openFileName(parent);
    return file && !file->isEmpty() ? QStringList{*file} : QStringList{};
}

QStringList QtDialogs::openFileNames(QWidget* parent)
{
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setWindowTitle(QStringLiteral("Compare logs"));
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    return dialog.selectedFiles();
}

void QtDialogs::message(const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok);
    execInFront(box);
}

void QtDialogs::error(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), text, QMessageBox::Ok);
    execInFront(box);
}

void execInFront(QDialog& dialog)
{
    // No owner widget (the box must not die with a window), but a window
    // manager stacks a dialog above the always-on-top main window only when
    // the dialog is transient for it; a stays-on-top hint alone puts both in
    // one layer, where the focused main window wins.
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
    dialog.setWindowModality(Qt::ApplicationModal);
    QWidget* front = QApplication::activeWindow();
    if (front == nullptr || front == &dialog) {
        for (QWidget* candidate : QApplication::topLevelWidgets()) {
            if (candidate != &dialog && candidate->isVisible() &&
                candidate->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
                front = candidate;
                break;
            }
        }
    }
    if (front != nullptr && front != &dialog && front->windowHandle() != nullptr) {
        dialog.winId();  // makes the native window whose owner is set
        if (QWindow* window = dialog.windowHandle()) {
            window->setTransientParent(front->windowHandle());
        }
    }
    dialog.exec();
}

std::optional<QString> Dialogs::askText(QWidget*, const QString&, const QString&)
{
    return std::nullopt;
}

std::optional<QString> QtDialogs::askText(QWidget* parent, const QString& title, const QString& label)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parent, title, label, QLineEdit::Normal, QString(), &ok);
    if (!ok) {
        return std::nullopt;
    }
    return text;
}

std::optional<LiveSourceRequest> Dialogs::liveSource(QWidget*)
{
    return std::nullopt;
}

std::optional<LiveSourceRequest> QtDialogs::liveSource(QWidget*)
{
    LiveSourceDialog dialog(nullptr);  // no owner, as the boxes
    execInFront(dialog);
    if (dialog.result() != QDialog::Accepted) {
        return std::nullopt;
    }
    LiveSourceRequest request{dialog.sourceText(), dialog.archivePath()};
    rememberLiveSource(request.source, request.archive);
    return request;
}

namespace {

Dialogs*& currentDialogs()
{
    static Dialogs* current = nullptr;
    return current;
}

}  // namespace

Dialogs& appDialogs()
{
    static QtDialogs qtDialogs;
    Dialogs* current = currentDialogs();
    return current ? *current : qtDialogs;
}

Dialogs* setAppDialogs(Dialogs* dialogs)
{
    Dialogs* previous = currentDialogs();
    currentDialogs() = dialogs;
    return previous;
}

void showHandlerError(const std::exception& error)
{
    appDialogs().error(QString::fromUtf8(error.what()));
}

void showHandlerError()
{
    appDialogs().error(QStringLiteral("Unknown error"));
}

}  // namespace gnsslog
