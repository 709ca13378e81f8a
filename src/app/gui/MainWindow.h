// The main window: logging and recording commands, the live displays (terminal, field list, table,
// status line), the reception watchdog and the close checks.
#pragma once

#include "app/core/AppSettings.h"
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
class TChartPage;
class TDataTableGrid;
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
    // The common first half of "Laufende Messung anhalten und exportieren/grafisch auswerten": checks
    // that a measurement was recorded and stops logging. True when the export or chart may follow.
    bool StopAndEvaluate();
    void SerialResetTest();
    void DefaultFormClick();
    void InfoClick();

    // ---- helpers of the commands ----
    bool NoActProject();
    bool ConfirmStopLogging();
    void UpdateLoggingMenu();
    void UpdateStatusLine();
    QString FieldListText() const;
    // The close checks (stop logging? save?) and the settings file; false cancels the close.
    bool CanClose();
    // What the settings file keeps of the window: geometry and standard font.
    TAppSettings CurrentAppSettings() const;
    bool SaveProject();

    // ---- state ----
    bool StartingUp = false;
    TAboutBoxDlg* AboutBox = nullptr;
    TLogBox* LogBox = nullptr;
    QTimer* SerialResetTestTmr = nullptr;
    QTimer* PortKeeperTmr = nullptr;
    uint32_t WatchdogRecordCount = 0;  // records handled at the watchdog's last look
    static constexpr int PortKeeperIntervalMs = 1000;
    // The watchdog interval; tests shorten it.
    int WatchdogInterval = WatchdogIntervalMs;

    // ---- parts, for tests and the start-up ----
    QTabWidget* Pages = nullptr;
    QWidget* TerminalTab = nullptr;
    QPlainTextEdit* Terminal = nullptr;
    QPlainTextEdit* FieldList = nullptr;
    TDataTableGrid* DataTable = nullptr;
    QLabel* NameLabel = nullptr;
    QLabel* CommentLabel = nullptr;
    QLabel* DirectoryLabel = nullptr;
    QLabel* StatusPanel0 = nullptr;
    QLabel* StatusPanel1 = nullptr;
    // The tab "Grafik" and its two charts.
    TChartPage* ChartPage = nullptr;
    QCustomPlot* TemperatureChart = nullptr;
    QCustomPlot* OutputChart = nullptr;
    // Index of the field selection last chosen in the plot or export dialog.
    int32_t SelectionIndex = 0;
    // Menu entries by caption ("Aufzeichnung/Logging starten" ...), the first of two equal captions;
    // or by menu title and caption.
    QAction* MenuEntry(const QString& caption) const;
    QAction* MenuEntry(const QString& menuTitle, const QString& caption) const;
    // The window builds every menu entry; a feature's commands unit connects its entries from its
    // Install function through this (an entry nobody connects stays disabled). Returns the entry.
    QAction* ConnectEntry(const QString& menuTitle, const QString& caption, std::function<void()> handler);
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
};
