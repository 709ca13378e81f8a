// The main window: logging and recording commands, the live displays (terminal, field list, table,
// status line), the reception watchdog and the close checks. It is the host of the commands units
// (ICommandHost) and orders their menu rows in its menu layout.
#pragma once

#include "app/core/AppSettings.h"
#include "app/gui/CommandHost.h"
#include "model/ProjectFile.h"
#include "model/UiInterfaces.h"
#include "app/gui/Namespace.h"

#include <QMainWindow>

#include <functional>
#include <memory>
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

namespace dedezuviv::gui {

class TAboutBoxDlg;
class TChartPage;
class TDataTableGrid;
class TLogBox;
class TMenuLayout;

class TMainPrgForm : public QMainWindow, public IRecordDisplay, public IProjectWindow, public ICommandHost {
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
    bool StopAndEvaluate() override;
    void SerialResetTest();
    void DefaultFormClick();
    void InfoClick();

    // ---- the command host ----
    bool NoActProject() override;
    bool ConfirmStopLogging() override;
    QWidget& DialogParent() override;
    TLogBox& ProgressWindow() override;
    TChartPage& ChartTab() override;
    void ShowChartTab() override;
    void ShowTerminalPage() override;
    TDataTableGrid& TableGrid() override;
    std::array<QLabel*, 3> ProjectLabels() override;
    int32_t SelectionIndex() const override;
    void SetSelectionIndex(int32_t index) override;
    void AddMenuRows(const std::vector<TMenuRow>& rows) override;
    void SetSaveProjectCommand(std::function<void()> command) override;
    void SetDeviceSearchCommand(std::function<void()> command) override;
    // After the commands units are installed: throws std::logic_error when a menu entry of the layout
    // has no row or one of the two commands above is missing.
    void CheckCommandsInstalled() const;

    // ---- helpers of the commands ----
    void UpdateLoggingMenu();
    void UpdateStatusLine();
    QString FieldListText() const;
    // The close checks (stop logging? save?) and the settings file; false cancels the close.
    bool CanClose();
    // What the settings file keeps of the window: geometry and standard font.
    TAppSettings CurrentAppSettings() const override;
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
    // Menu entries by caption ("Aufzeichnung/Logging starten" ...), the first of two equal captions;
    // or by menu title and caption.
    QAction* MenuEntry(const QString& caption) const;
    QAction* MenuEntry(const QString& menuTitle, const QString& caption) const;
    // Lines the terminal shows, counting each wrapped line.
    int TerminalLineCount() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void BuildPages();
    void RefreshTable();
    void RestartWatchdog();
    std::string StateText(bool withDebugMarker) const;

    std::unique_ptr<TMenuLayout> Menus;
    std::function<void()> SaveProjectCommand;
    std::function<void()> DeviceSearchCommand;
    int32_t LastSelectionIndex = 0;
    QAction* StopEntry = nullptr;
    QAction* StartEntry = nullptr;
    QAction* SavingOnEntry = nullptr;
    QAction* SavingOffEntry = nullptr;
};

}  // namespace dedezuviv::gui
