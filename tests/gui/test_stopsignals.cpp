// SIGTERM, SIGHUP and SIGINT end the window program as they end the headless logger: logging stopped,
// settings written, exit code 0, no questions.
#include "GuiTestSupport.h"

#include "app/core/AppSettings.h"
#include "app/gui/GuiMain.h"
#include "app/gui/MainWindow.h"
#include "app/gui/StopSignals.h"
#include "base/AppGlobals.h"
#include "base/FormatSettings.h"
#include "model/LiveLogging.h"
#include "model/LiveState.h"
#include "model/ProjectFile.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::app;
using namespace dedezuviv::gui;

namespace {

using testsupport::Contains;

namespace fs = std::filesystem;


// The event loop of the test program until it ends, at most 20 s (then 99).
int RunEventLoop()
{
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(20000);
    return QApplication::exec();
}

bool HandlerIsDefault(int signal)
{
    struct sigaction current {};
    sigaction(signal, nullptr, &current);
    return current.sa_handler == SIG_DFL;
}

}  // namespace

TEST(StopSignals, SignalEndsTheEventLoopAndLoggingStopsAndSettingsAreWritten)
{
    testsupport::TempDir dir;
    testsupport::PtyPair pty;
    ASSERT_TRUE(pty.Start());
    SetGermanFormatSettings();
    AppDataDir = dir.Path().string();
    guitest::ScriptedDialogs dialogs;
    {
        auto window = std::make_unique<TMainPrgForm>();
        InstallStopSignals(*window);
        ConnectWindowToCore(*window);
        SetUserDialogs(&dialogs);
        auto project = std::make_unique<TProject>();
        project->SetFileName((dir / "Haus.p-p").string());
        project->Port.Name = pty.EndA();
        ReplaceCurrentProject(std::move(project));
        window->Start1Click();
        ASSERT_TRUE(LoggingActive());

        EXPECT_FALSE(StopSignalReceived());
        // The signal comes while a question box waits for an answer: the box ends as well.
        QTimer::singleShot(0, [] {
            std::raise(SIGTERM);
            QMessageBox::question(nullptr, QStringLiteral("Frage"), QStringLiteral("Wirklich?"));
        });
        EXPECT_EQ(RunEventLoop(), 0);
        EXPECT_TRUE(StopSignalReceived());
        FinishAfterStopSignal(*window);
        EXPECT_FALSE(LoggingActive());
        EXPECT_TRUE(Contains(testsupport::ReadFile(dir / "dedezuviv.cfg"),
                             "ProjectFilename=" + (dir / "Haus.p-p").string() + "\r\n"));
        EXPECT_TRUE(dialogs.Shown.empty());
        CloseProject();
        DisconnectWindowFromCore();
        EXPECT_FALSE(HandlerIsDefault(SIGTERM));
    }
    // With the window gone the signals are what they were before.
    for (int signal : {SIGTERM, SIGHUP, SIGINT})
        EXPECT_TRUE(HandlerIsDefault(signal)) << signal;
    AppDataDir.clear();
}

// The real program with its window (offscreen), for each of the three signals.
TEST(StopSignals, WindowProgramEndsCleanlyOnEachSignal)
{
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        testsupport::TempDir dir;
        testsupport::PtyPair pty;
        ASSERT_TRUE(pty.Start());
        const fs::path project = dir / "Haus.p-p";
        testsupport::WriteFile(project, "[General]\r\nName=Haus\r\n");
        testsupport::BackgroundProgram logger;
        testsupport::BackgroundProgram::Options options;
        options.Environment = {{"XDG_CONFIG_HOME", (dir / "config").string()},
                               {"HOME", dir.Path().string()},
                               {"QT_QPA_PLATFORM", "offscreen"}};
        ASSERT_TRUE(logger.Start(testsupport::LoggerPath(),
                                 {"/DEBUG", "/PROJECT=" + project.string(), "/PORT=" + pty.EndA(), "/START",
                                  "/TCPPORT=0", "/TCPBIND=127.0.0.1"},
                                 options));
        // In debug mode the log also goes to debug.log. The network server is the last step of the
        // start-up, after the start of logging.
        const fs::path debugLog = dir / "Haus" / "debug.log";
        ASSERT_TRUE(guitest::WaitUntil(
            [&] { return Contains(testsupport::ReadFile(debugLog), "Netzwerkzugriff erfolgreich aktiviert."); },
            30000))
            << signal;
        logger.Signal(signal);
        EXPECT_EQ(logger.Wait(20000), 0) << signal;
        EXPECT_TRUE(Contains(testsupport::ReadFile(debugLog), "> Stoppe Logging.\r\n")) << signal;
        EXPECT_TRUE(Contains(testsupport::ReadFile(dir / "config" / "dedezuviv.cfg"),
                             "ProjectFilename=" + project.string() + "\r\n"))
            << signal;
    }
}
