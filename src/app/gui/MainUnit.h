// The main window: logging and recording commands, the live displays (terminal, field list, table,
// status line), the reception watchdog and the close checks.
#pragma once

#include "model/ProjectFile.h"
#include "model/UiInterfaces.h"

#include <QMainWindow>

#include <functional>
#include <string>

class QAction;
class QCloseEvent;
class QCustomPlot;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QTableWidget;
class QTabWidget;
class QTimer;
class TAboutBoxDlg;
class TLogBox;

class TMainPrgForm : public QMainWindow, public IRecordDisplay, public IProjectWindow {
    Q_OBJECT
public:
    static constexpr int WatchdogIntervalMs = 20000;
    static constexpr int MaxTerminalLines = 50;

    TMainPrgForm();
    ~TMainPrgForm() override;

    // ---- shown to the core ----
    void ShowRecord(const TDecodedRecord& record) override;
    void AddTerminalLine(const std::string& text) override;
    void RefreshDisplay() override;
    void ClearChart() override;
    // The two log callbacks.
    void LogMessage(const std::string& text);
    void DebugInfo(const std::string& text);

    // ---- commands ----
    void Start1Click();
    void Stop1Click();
    void DataSavingOn1Click();
    void DataSavingOff1Click();
    void ClearLog1Click();
    void StopAndExportMeasurementClick();
    void StopAndPlotMeasurementClick();
    void StopAndEvaluate(bool plot);
    void SerialResetTest();
    void DefaultFormClick();
    void InfoClick();
    // Device search and port settings; set by the device link when it is built.
    std::function<void(QObject* sender)> AutodetectDevices;
    std::function<void()> SerialPortConfiguration;
    // The search without questions for the start-up option /PORT=AUTO: the port found, or empty.
    std::function<std::string()> SearchDevicePort;
    // The plot and export halves of "stop and evaluate", set when those commands exist.
    std::function<void()> PlotFromRecordStart;
    std::function<void()> ExportAsLastUsed;

    // ---- helpers of the commands ----
    bool NoActProject();
    bool ConfirmStopLogging();
    void UpdateLoggingMenu();
    void UpdateStatusLine();
    QString FieldListText() const;
    // The close checks (stop logging? save?) and the settings file; false cancels the close.
    bool CanClose();
    bool SaveProject();

    // ---- state ----
    bool StartingUp = false;
    TAboutBoxDlg* AboutBox = nullptr;
    TLogBox* LogBox = nullptr;
    QTimer* SerialResetTestTmr = nullptr;
    // The watchdog interval; tests shorten it.
    int WatchdogInterval = WatchdogIntervalMs;

    // ---- parts, for tests and the start-up ----
    QTabWidget* Pages = nullptr;
    QWidget* TerminalTab = nullptr;
    QPlainTextEdit* Terminal = nullptr;
    QPlainTextEdit* FieldList = nullptr;
    QTableWidget* DataTable = nullptr;
    QLabel* NameLabel = nullptr;
    QLabel* CommentLabel = nullptr;
    QLabel* DirectoryLabel = nullptr;
    QLabel* StatusPanel0 = nullptr;
    QLabel* StatusPanel1 = nullptr;
    QCustomPlot* TemperatureChart = nullptr;
    QCustomPlot* OutputChart = nullptr;
    // Menu entries by caption ("Aufzeichnung/Logging starten" ...), the first of two equal captions.
    QAction* MenuEntry(const QString& caption) const;
    // Lines the terminal shows, counting each wrapped line.
    int TerminalLineCount() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void BuildPages();
    QAction* AddEntry(QMenu* menu, const QString& caption, const QKeySequence& shortcut,
                      std::function<void()> handler);
    void RefreshTable();
    void RestartWatchdog();
    std::string StateText(bool withDebugMarker) const;

    QAction* StopEntry = nullptr;
    QAction* StartEntry = nullptr;
    QAction* SavingOnEntry = nullptr;
    QAction* SavingOffEntry = nullptr;
    QAction* AutodetectEntry = nullptr;
    QAction* PortSettingsEntry = nullptr;
};
