#include "app/Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

#include <exception>

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
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) {
        return QString();
    }
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
    // No owner window, but above the always-on-top main window.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

void QtDialogs::error(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), text, QMessageBox::Ok);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
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
