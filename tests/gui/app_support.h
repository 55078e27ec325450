// Shared helpers of the application's window tests: the Qt application
// object, scripted dialogs, generated sample logs and a fixture holding the
// permanent windows.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QString>
#include <QThread>

#include <unistd.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/Dialogs.h"
#include "app/FormFont.h"
#include "app/ProgressBar.h"
#include "app/logviewerform.h"
#include "tools/samplegen/LogGenerator.h"

namespace gnsslog::apptest {

// One QApplication for the whole test program, made on first use (or the
// one another test made already).
inline QApplication& guiApp()
{
    static int argc = 1;
    static char name[] = "gnsslog_gui_tests";
    static char* argv[] = {name, nullptr};
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return *existing;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");  // also when run outside ctest
    }
    static QApplication* app = new QApplication(argc, argv);
    setFormFontForApplication();  // as the application's start-up does
    return *app;
}

// Dialogs that answer from a script and remember every box.
class FakeDialogs final : public Dialogs {
public:
    struct Box {
        QString title;
        QString text;
        bool operator==(const Box&) const = default;
    };

    std::deque<std::optional<QString>> fileNames;  // answers of the open-file dialog, in order
    std::function<void()> onOpen;                   // runs when the dialog is asked
    int openCount = 0;
    std::vector<Box> messages;
    std::vector<QString> errors;

    std::optional<QString> openFileName(QWidget*) override
    {
        ++openCount;
        if (onOpen) {
            onOpen();
        }
        if (fileNames.empty() || !fileNames.front()) {
            if (!fileNames.empty()) {
                fileNames.pop_front();
            }
            return std::nullopt;
        }
        const QString answer = *fileNames.front();
        fileNames.pop_front();
        return answer;
    }
    std::deque<QStringList> fileLists;  // answers of the several-file dialog, in order

    QStringList openFileNames(QWidget*) override
    {
        if (fileLists.empty()) {
            return {};
        }
        QStringList answer = fileLists.front();
        fileLists.pop_front();
        return answer;
    }
    void message(const QString& title, const QString& text) override { messages.push_back({title, text}); }
    void error(const QString& text) override { errors.push_back(text); }

    std::deque<std::optional<QString>> texts;  // answers of the text input box, in order
    std::vector<QString> textLabels;            // the label of every text box asked
    std::optional<QString> askText(QWidget*, const QString&, const QString& label) override
    {
        textLabels.push_back(label);
        if (texts.empty()) {
            return std::nullopt;
        }
        // Swapped out rather than copied: GCC 12 at -O3 takes the copy for
        // a read of an uninitialised QString in some test files.
        std::optional<QString> answer;
        answer.swap(texts.front());
        texts.pop_front();
        return answer;
    }

    std::deque<LiveSourceRequest> liveSources;  // answers of "Open live source...", in order
    std::optional<LiveSourceRequest> liveSource(QWidget*) override
    {
        if (liveSources.empty()) {
            return std::nullopt;
        }
        LiveSourceRequest answer = liveSources.front();
        liveSources.pop_front();
        return answer;
    }
};

// A temporary directory removed with the object.
class ScratchDir {
public:
    ScratchDir()
    {
        static int serial = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("gnsslog-app-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    QString write(const std::string& name, const std::string& content) const
    {
        const auto file = path_ / name;
        std::ofstream out(file, std::ios::binary);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        return QString::fromStdString(file.string());
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline std::string navcomLog(std::uint64_t bytes = 30000, std::uint64_t seed = 7)
{
    GeneratorOptions options;
    options.format = LogFormat::Navcom;
    options.targetBytes = bytes;
    options.seed = seed;
    return generateLog(options);
}

inline std::string nmeaLog(NmeaSolution kind = NmeaSolution::Gga, std::uint64_t bytes = 30000)
{
    GeneratorOptions options;
    options.format = LogFormat::Nmea;
    options.nmeaSolution = kind;
    options.targetBytes = bytes;
    return generateLog(options);
}

// The main window with scripted dialogs and a fresh progress window in the
// global the progress callback uses.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        guiApp();
        progress = std::make_unique<TFormProgress>();
        previousProgress = std::exchange(FormProgress, progress.get());
        form = std::make_unique<TForm3>(dialogs);
    }
    void TearDown() override
    {
        form.reset();
        FormProgress = previousProgress;
        progress.reset();
    }

    // Loads a file through the menu's load command.
    void load(const QString& fileName)
    {
        dialogs.fileNames.push_back(fileName);
        form->Button1Click();
    }

    // Processes events until done() or the deadline; done()'s last answer.
    static bool waitFor(const std::function<bool()>& done, std::chrono::seconds limit)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done() && std::chrono::steady_clock::now() < end) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            QThread::msleep(10);
        }
        return done();
    }

    FakeDialogs dialogs;
    std::unique_ptr<TFormProgress> progress;
    TFormProgress* previousProgress = nullptr;
    std::unique_ptr<TForm3> form;
    ScratchDir dir;
};

}  // namespace gnsslog::apptest
