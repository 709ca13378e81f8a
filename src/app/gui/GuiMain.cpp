#include "app/gui/GuiMain.h"

#include "app/core/CommandLine.h"
#include "app/core/DeviceSearch.h"
#include "app/core/MqttPublisher.h"
#include "app/core/TCPDataServer.h"
#include "app/core/WebServer.h"
#include "app/gui/AboutBox.h"
#include "app/gui/AutostartCommands.h"
#include "app/gui/CardImportCommands.h"
#include "app/gui/ChartCommands.h"
#include "app/gui/DeviceCommands.h"
#include "app/gui/ExportCommands.h"
#include "app/gui/MainWindow.h"
#include "app/gui/QtTranslations.h"
#include "app/gui/ProjectCommands.h"
#include "app/gui/QtDispatcher.h"
#include "app/gui/QtFileChooser.h"
#include "app/gui/QtUserDialogs.h"
#include "app/gui/StandardFont.h"
#include "app/gui/StopSignals.h"
#include "app/gui/TableCommands.h"
#include "base/AppGlobals.h"
#include "base/Clock.h"
#include "base/FormatSettings.h"
#include "base/Log.h"
#include "model/LiveState.h"
#include "model/ProjectFile.h"
#include "app/gui/Namespace.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

namespace dedezuviv::gui {

namespace {

std::unique_ptr<TQtDispatcher> Dispatcher;
std::unique_ptr<TQtUserDialogs> Dialogs;
std::unique_ptr<TQtFileChooser> FileDialogs;

}  // namespace

void TWindowStartupHost::ShowHelp(const std::string& text)
{
    std::fputs(text.c_str(), stdout);
    std::fputs("\n", stdout);
    std::fflush(stdout);
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    QMessageBox::information(&Window, QString::fromStdString(ProgramTitle), shown);
}

void TWindowStartupHost::AddStartupLine(const std::string& text)
{
    Window.AboutBox->AddStartupLine(QString::fromStdString(text));
}

TAppSettings TWindowStartupHost::CurrentSettings() { return Window.CurrentAppSettings(); }

void TWindowStartupHost::ApplySettings(const TAppSettings& settings)
{
    // Sizes from another screen are kept within reason.
    if (settings.Width >= 200 && settings.Height >= 150 && settings.Width <= 10000 && settings.Height <= 10000)
        Window.resize(settings.Width, settings.Height);
    if (settings.Left > -10000 && settings.Left < 10000 && settings.Top > -10000 && settings.Top < 10000)
        Window.move(settings.Left, settings.Top);
    QFont font = StandardFont().Font;
    if (!settings.StandardFontName.empty())
        font.setFamily(QString::fromStdString(settings.StandardFontName));
    if (settings.StandardFontSize > 0 && settings.StandardFontSize < 200)
        font.setPointSize(settings.StandardFontSize);
    StandardFont().Font = font;
    StandardFont().Color = settings.StandardFontColor;
}

std::string TWindowStartupHost::SearchDevicePort()
{
    return SearchDevicePortNonInteractive();
}

void TWindowStartupHost::ShowTerminalPage() { Window.ShowTerminalPage(); }

void TWindowStartupHost::StartNetworkServer(const std::string& port)
{
    MainTCPDataServer().SetPort(port);
    MainTCPDataServer().Activate();
}

void InstallWindowCommands(TMainPrgForm& window)
{
    InstallDeviceCommands(window);
    InstallCardImportCommands(window);
    InstallChartCommands(window);
    InstallExportCommands(window);
    InstallTableCommands(window);
    InstallAutostartCommands(window);
    InstallProjectCommands(window);
    window.CheckCommandsInstalled();
}

void ConnectWindowToCore(TMainPrgForm& window)
{
    if (!Dispatcher)
        Dispatcher = std::make_unique<TQtDispatcher>();
    SetMainThreadDispatcher(Dispatcher.get());
    Dialogs = std::make_unique<TQtUserDialogs>(&window);
    SetUserDialogs(Dialogs.get());
    FileDialogs = std::make_unique<TQtFileChooser>(&window);
    SetFileChooser(FileDialogs.get());
    SetRecordDisplay(&window);
    SetLogCallbacks([&window](const std::string& text) { window.LogMessage(text); },
                    [&window](const std::string& text) { window.DebugInfo(text); });
}

void DisconnectWindowFromCore()
{
    ClearLogCallbacks();
    SetRecordDisplay(nullptr);
    SetUserDialogs(nullptr);
    SetFileChooser(nullptr);
    FileDialogs.reset();
    if (Dispatcher)
        Dispatcher->RunPendingTasks();
    SetMainThreadDispatcher(nullptr);
    Dialogs.reset();
}

int RunWindowProgram(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromStdString(ProgramTitle));
    InstallQtTranslations(QLocale::system());
    LoadFormatSettingsFromEnvironment();
    std::vector<std::string> arguments(argv + 1, argv + argc);
    SetCommandLineArguments(arguments);

    auto window = std::make_unique<TMainPrgForm>();
    InstallStopSignals(*window);
    ConnectWindowToCore(*window);
    InstallWindowCommands(*window);

    window->StartingUp = true;
    window->AboutBox->ShowAsSplash();
    window->SerialResetTestTmr->setInterval(TMainPrgForm::WatchdogIntervalMs);
    window->SerialResetTestTmr->start();

    TWindowStartupHost host(*window);
    const TStartupOutcome outcome =
        RunStartup(host, std::filesystem::path(argc > 0 ? argv[0] : "dedezuviv").filename().string());
    if (outcome.HelpShown) {
        DisconnectWindowFromCore();
        return 1;
    }

    const auto splashStart = std::chrono::steady_clock::now();
    if (!DebugMode) {
        while (std::chrono::steady_clock::now() - splashStart < std::chrono::seconds(3)) {
            ProcessMessages();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    window->StartingUp = false;
    window->AboutBox->EndSplash();
    window->RefreshDisplay();
    window->show();

    // A stop signal that came during the start-up ends the program without entering the event loop.
    const int result = StopSignalReceived() ? 0 : QApplication::exec();
    if (StopSignalReceived())
        FinishAfterStopSignal(*window);

    MainTCPDataServer().Deactivate();
    MainMqttPublisher().Stop();
    MainWebServer().Stop();
    CloseProject();
    DisconnectWindowFromCore();
    window.reset();
    return result;
}

}  // namespace dedezuviv::gui
