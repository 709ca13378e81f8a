#include "app/gui/StopSignals.h"

#include "app/core/AppSettings.h"
#include "app/core/LoggingControl.h"
#include "app/gui/CommandHost.h"
#include "base/Log.h"
#include "model/LiveLogging.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "app/gui/Namespace.h"

#include <QCoreApplication>
#include <QObject>
#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace dedezuviv::gui {

namespace {

constexpr int StopSignalNumbers[] = {SIGTERM, SIGHUP, SIGINT};

std::atomic<int> SignalPipeWrite{-1};
bool Received = false;

extern "C" void NoteStopSignal(int signal)
{
    const int savedErrno = errno;
    const int fd = SignalPipeWrite.load();
    if (fd >= 0) {
        const char byte = static_cast<char>(signal);
        [[maybe_unused]] const ssize_t n = write(fd, &byte, 1);
    }
    errno = savedErrno;
}

// The pipe, its notifier and the previous signal handlers; a child of the window, so the handlers
// go back to what they were when the window is destroyed.
class TStopSignalWatcher : public QObject {
public:
    explicit TStopSignalWatcher(QObject* parent) : QObject(parent)
    {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
            return;
        ReadEnd = fds[0];
        WriteEnd = fds[1];
        SignalPipeWrite = WriteEnd;
        Notifier = new QSocketNotifier(ReadEnd, QSocketNotifier::Read, this);
        connect(Notifier, &QSocketNotifier::activated, this, [this] { Drain(); });
        struct sigaction action {};
        action.sa_handler = NoteStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (size_t i = 0; i < std::size(StopSignalNumbers); ++i)
            sigaction(StopSignalNumbers[i], &action, &Previous[i]);
    }

    ~TStopSignalWatcher() override
    {
        if (ReadEnd < 0)
            return;
        for (size_t i = 0; i < std::size(StopSignalNumbers); ++i)
            sigaction(StopSignalNumbers[i], &Previous[i], nullptr);
        SignalPipeWrite = -1;
        close(ReadEnd);
        close(WriteEnd);
    }

private:
    void Drain()
    {
        char bytes[16];
        while (read(ReadEnd, bytes, sizeof bytes) > 0) {
        }
        Received = true;
        // Ends every running loop, also that of a message box that happens to be open.
        QCoreApplication::exit(0);
    }

    int ReadEnd = -1, WriteEnd = -1;
    QSocketNotifier* Notifier = nullptr;
    struct sigaction Previous[std::size(StopSignalNumbers)] {};
};

}  // namespace

void InstallStopSignals(ICommandHost& host)
{
    Received = false;
    new TStopSignalWatcher(&host.DialogParent());
}

bool StopSignalReceived() { return Received; }

void FinishAfterStopSignal(ICommandHost& host)
{
    if (LoggingActive())
        StopLogging();
    const std::string settingsFile = AppSettingsPath();
    if (!settingsFile.empty()) {
        int code = 0;
        std::string text;
        WriteAppSettings(settingsFile, host.CurrentAppSettings(), CurrentProject(), code, text);
        if (code != 0) {
            const std::string message = "Die Einstellungenen konnten nicht gespeichert werden.";
            LogMessage(message);
            std::fprintf(stderr, "%s %s\n", message.c_str(), text.c_str());
        }
    }
    host.RefreshDisplay();
}

}  // namespace dedezuviv::gui
