#include "app/gui/MainWindow.h"

#include "app/core/AppSettings.h"
#include "app/core/LoggingControl.h"
#include "app/core/PortKeeper.h"
#include "app/core/LogLines.h"
#include "app/gui/AboutBox.h"
#include "app/gui/ChartPage.h"
#include "app/gui/ChartWidget.h"
#include "app/gui/DataTableGrid.h"
#include "app/gui/MenuLayout.h"
#include "app/gui/ProgressWindow.h"
#include "app/gui/QtText.h"
#include "app/gui/StandardFont.h"
#include "base/AppGlobals.h"
#include "base/Clock.h"
#include "base/FormatSettings.h"
#include "base/Log.h"
#include "base/MainThread.h"
#include "model/FieldValue.h"
#include "model/DataSource.h"
#include "model/LiveLogging.h"
#include "model/LiveState.h"
#include "model/ValueText.h"
#include "model/window/TableCells.h"
#include "app/gui/Namespace.h"

#include <QAbstractTextDocumentLayout>
#include <QCloseEvent>
#include <QFontDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>

#include <filesystem>
#include <stdexcept>

namespace dedezuviv::gui {

namespace {

// The menus in order and the captions of each in order; the commands units and the window fill the
// entries with their rows.
const std::vector<TMenuLayout::TMenu> WindowMenus = {
    {"Projekt", {"Neues Projekt anlegen", "Projekt laden", "Projekt speichern", "Projekt klonen", "Programm beenden"}},
    {"Datenaufzeichnung",
     {"Aufzeichnung/Logging anhalten", "Aufzeichnung/Logging starten", "Daten speichern ein", "Daten speichern aus",
      "Daten von SD-Karte einlesen", "Log-Protokoll löschen", "Laufende Messung anhalten und exportieren",
      "Laufende Messung anhalten und grafisch auswerten"}},
    {"Einstellungen",
     {"Angeschlossenes Gerät automatisch erkennen", "Schnittstelle einstellen", "Datensatz-Definition bearbeiten",
      "Projekteinstellungen bearbeiten", "Standardschriftart einstellen"}},
    {"Werkzeuge", {"Autostart-Eintrag anlegen", "Autostart-Eintrag löschen", "Daten von SD-Karte einlesen"}},
    {"Grafik",
     {"Grafische Auswertung erstellen", "Feldauswahl erstellen/bearbeiten",
      "Temperaturgrafik in Zwischenablage kopieren", "Temperaturgrafik speichern",
      "Grafik der Ausgänge in Zwischenablage kopieren", "Grafik der Ausgänge speichern"}},
    {"Export",
     {"Feldauswahl erstellen/bearbeiten", "Exportieren in Datei", "Batch-Export", "Tabelle in Zwischenablage kopieren",
      "Selektierte Tabellenfelder --> Clipboard"}},
};

bool PortIsOpen() { return LoggingActive(); }

bool PortIsReceiving() { return PortIsOpen() && !RunningDataSource()->LineLost(); }

// A label of the table page; the table commands make a click on it open the project settings.
QLabel* MakeLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

}  // namespace

TMainPrgForm::TMainPrgForm()
{
    setWindowTitle(QStringLiteral("DEDEZUviv"));
    BuildPages();
    BuildMenus();
    // At least as wide as designed, wider as their texts need (long port paths); the first panel takes
    // the room the second leaves.
    StatusPanel0 = new QLabel(this);
    StatusPanel0->setMinimumWidth(400);
    StatusPanel1 = new QLabel(this);
    StatusPanel1->setMinimumWidth(200);
    statusBar()->addWidget(StatusPanel0, 1);
    statusBar()->addWidget(StatusPanel1);
    SerialResetTestTmr = new QTimer(this);
    SerialResetTestTmr->setInterval(WatchdogInterval);
    connect(SerialResetTestTmr, &QTimer::timeout, this, [this] { SerialResetTest(); });
    // A line that went away (an adapter pulled) is opened again when it is back.
    PortKeeperTmr = new QTimer(this);
    PortKeeperTmr->setInterval(PortKeeperIntervalMs);
    connect(PortKeeperTmr, &QTimer::timeout, this, [this] {
        const bool wasReceiving = PortIsReceiving();
        if (PortKeeper().Tick())
            RestartWatchdog();
        if (wasReceiving != PortIsReceiving())
            RefreshDisplay();
    });
    PortKeeperTmr->start();
    AboutBox = new TAboutBoxDlg(this);
    LogBox = new TLogBox(this);
    move(0, 150);
    resize(792, 524 + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
    MainView().Window = this;
    ClearChart();
    RefreshDisplay();
}

TMainPrgForm::~TMainPrgForm()
{
    if (MainView().Window == this)
        MainView().Window = nullptr;
    // The cells' settings belong to the window's table.
    MainView().Table.ClearAll();
}

void TMainPrgForm::BuildPages()
{
    Pages = new QTabWidget(this);
    Pages->setDocumentMode(true);

    TerminalTab = new QWidget(Pages);
    auto* terminalLayout = new QVBoxLayout(TerminalTab);
    Terminal = new QPlainTextEdit(TerminalTab);
    Terminal->setReadOnly(true);
    Terminal->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Terminal->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    terminalLayout->addWidget(Terminal);
    Pages->addTab(TerminalTab, QStringLiteral("Terminal (Kommunikation)"));

    FieldList = new QPlainTextEdit(Pages);
    FieldList->setReadOnly(true);
    Pages->addTab(FieldList, QStringLiteral("Feldliste"));

    auto* tablePage = new QWidget(Pages);
    auto* tableLayout = new QVBoxLayout(tablePage);
    NameLabel = MakeLabel(tablePage);
    CommentLabel = MakeLabel(tablePage);
    DirectoryLabel = MakeLabel(tablePage);
    tableLayout->addWidget(NameLabel);
    tableLayout->addWidget(CommentLabel);
    tableLayout->addWidget(DirectoryLabel);
    DataTable = new TDataTableGrid(MainView(), tablePage);
    tableLayout->addWidget(DataTable);
    Pages->addTab(tablePage, QStringLiteral("Tabelle"));

    ChartPage = new TChartPage(Pages);
    TemperatureChart = ChartPage->ChartFormStd;
    OutputChart = ChartPage->ChartFormRelais;
    Pages->addTab(ChartPage, QStringLiteral("Grafik"));

    setCentralWidget(Pages);
}

void TMainPrgForm::BuildMenus()
{
    Menus = std::make_unique<TMenuLayout>(*menuBar(), WindowMenus, *this);
    // Present but hidden: copies only the selected cells.
    Menus->Entry(QStringLiteral("Export"), QStringLiteral("Selektierte Tabellenfelder --> Clipboard"))->setVisible(false);

    const QString logging = QStringLiteral("Datenaufzeichnung");
    StopEntry = Menus->Fill({logging, QStringLiteral("Aufzeichnung/Logging anhalten"),
                             QKeySequence(Qt::CTRL | Qt::Key_A), [this] { Stop1Click(); }});
    StartEntry = Menus->Fill({logging, QStringLiteral("Aufzeichnung/Logging starten"),
                              QKeySequence(Qt::CTRL | Qt::Key_L), [this] { Start1Click(); }});
    SavingOnEntry = Menus->Fill({logging, QStringLiteral("Daten speichern ein"), QKeySequence(Qt::CTRL | Qt::Key_R),
                                 [this] { DataSavingOn1Click(); }});
    SavingOffEntry = Menus->Fill({logging, QStringLiteral("Daten speichern aus"), QKeySequence(Qt::CTRL | Qt::Key_O),
                                  [this] { DataSavingOff1Click(); }});
    AddMenuRows({
        {logging, QStringLiteral("Log-Protokoll löschen"), {}, [this] { ClearLog1Click(); }},
        {QStringLiteral("Einstellungen"), QStringLiteral("Standardschriftart einstellen"), {},
         [this] { DefaultFormClick(); }},
        {QStringLiteral("Projekt"), QStringLiteral("Programm beenden"), QKeySequence(Qt::CTRL | Qt::Key_W),
         [this] { close(); }},
    });

    // "Info" has no entries: the menu title itself opens the information window.
    QAction* info = menuBar()->addAction(QStringLiteral("Info"));
    connect(info, &QAction::triggered, this, [this] { InfoClick(); });
}

void TMainPrgForm::AddMenuRows(const std::vector<TMenuRow>& rows)
{
    for (const TMenuRow& row : rows)
        Menus->Fill(row);
}

void TMainPrgForm::SetSaveProjectCommand(std::function<void()> command) { SaveProjectCommand = std::move(command); }

void TMainPrgForm::SetDeviceSearchCommand(std::function<void()> command) { DeviceSearchCommand = std::move(command); }

void TMainPrgForm::CheckCommandsInstalled() const
{
    Menus->CheckComplete();
    if (!SaveProjectCommand)
        throw std::logic_error("no command saves the project when the window closes");
    if (!DeviceSearchCommand)
        throw std::logic_error("no command searches the device when logging starts without a port");
}

QAction* TMainPrgForm::MenuEntry(const QString& caption) const
{
    for (QAction* top : menuBar()->actions()) {
        if (top->text() == caption)
            return top;
        if (QMenu* menu = top->menu())
            for (QAction* entry : menu->actions())
                if (entry->text() == caption)
                    return entry;
    }
    return nullptr;
}

QAction* TMainPrgForm::MenuEntry(const QString& menuTitle, const QString& caption) const
{
    for (QAction* top : menuBar()->actions()) {
        if (top->text() != menuTitle || top->menu() == nullptr)
            continue;
        for (QAction* entry : top->menu()->actions())
            if (entry->text() == caption)
                return entry;
    }
    return nullptr;
}

// ---------------------------------------------------------------- checks of the commands

bool TMainPrgForm::NoActProject()
{
    if (CurrentProject())
        return false;
    InformUser("Für diese Funktion muss ein Projekt ausgewählt sein. Legen Sie ggf. neues Projekt an.");
    return true;
}

bool TMainPrgForm::ConfirmStopLogging()
{
    if (!PortIsOpen())
        return true;
    if (AskUser("Soll der Datenempfang gestoppt werden um gewünschte Aktion durchzuführen?") != TDialogAnswer::Yes)
        return false;
    Stop1Click();
    return true;
}

// ---------------------------------------------------------------- the command host

QWidget& TMainPrgForm::DialogParent() { return *this; }

TLogBox& TMainPrgForm::ProgressWindow() { return *LogBox; }

TChartPage& TMainPrgForm::ChartTab() { return *ChartPage; }

void TMainPrgForm::ShowChartTab() { Pages->setCurrentWidget(ChartPage); }

void TMainPrgForm::ShowTerminalPage() { Pages->setCurrentWidget(TerminalTab); }

TDataTableGrid& TMainPrgForm::TableGrid() { return *DataTable; }

std::array<QLabel*, 3> TMainPrgForm::ProjectLabels() { return {NameLabel, CommentLabel, DirectoryLabel}; }

int32_t TMainPrgForm::SelectionIndex() const { return LastSelectionIndex; }

void TMainPrgForm::SetSelectionIndex(int32_t index) { LastSelectionIndex = index; }

// ---------------------------------------------------------------- terminal and log

int TMainPrgForm::TerminalLineCount() const
{
    int lines = 0;
    for (QTextBlock block = Terminal->document()->begin(); block.isValid(); block = block.next()) {
        if (Terminal->document()->blockCount() == 1 && block.text().isEmpty())
            return 0;
        const int wrapped = block.layout() ? block.layout()->lineCount() : 0;
        lines += wrapped > 0 ? wrapped : 1;
    }
    return lines;
}

void TMainPrgForm::AddTerminalLine(const std::string& text)
{
    if (StartingUp) {
        AboutBox->AddStartupLine(Q(text));
        return;
    }
    // The terminal starts afresh instead of scrolling single lines off.
    if (TerminalLineCount() > MaxTerminalLines - 1)
        Terminal->clear();
    Terminal->appendPlainText(Q(text));
    Terminal->repaint();
}

void TMainPrgForm::LogMessage(const std::string& text)
{
    AddTerminalLine(TimeStampedLogLine(text));
    AppendToDebugLog(text);
}

void TMainPrgForm::DebugInfo(const std::string& text)
{
    if (DebugMode)
        LogMessage(DebugLogText(text));
}

// ---------------------------------------------------------------- logging commands

void TMainPrgForm::Start1Click()
{
    if (NoActProject())
        return;
    if (PortIsOpen()) {
        ShowError("Datenempfang (Logging) ist bereits gestartet. ");
    } else {
        if (Q(CurrentProject()->Port.Name).trimmed().isEmpty()) {
            const TDialogAnswer answer =
                AskUser("Es ist keine serielle Schnittstelle eingestellt! Automatische Erkennung angeschlossener "
                        "Geräte jetzt starten (bitte Gerät anschliessen)? ");
            if (answer != TDialogAnswer::Yes)
                return;
            DeviceSearchCommand();
            if (!CurrentProject())
                return;
        }
        if (StartLogging())
            RestartWatchdog();
    }
    RefreshDisplay();
}

void TMainPrgForm::Stop1Click()
{
    if (NoActProject())
        return;
    StopLogging();
    RefreshDisplay();
}

void TMainPrgForm::DataSavingOn1Click()
{
    if (NoActProject())
        return;
    CurrentProject()->RecordingToFile = true;
    CurrentProject()->SetModified(true);
    RefreshDisplay();
}

void TMainPrgForm::DataSavingOff1Click()
{
    if (NoActProject())
        return;
    CurrentProject()->RecordingToFile = false;
    CurrentProject()->SetModified(true);
    RefreshDisplay();
}

void TMainPrgForm::ClearLog1Click() { Terminal->clear(); }

bool TMainPrgForm::StopAndEvaluate()
{
    if (NoActProject())
        return false;
    if (CurrentProject()->RecordStart == 0) {
        ShowError("Keine Daten aufgezeichnet oder keine Messung gestartet!");
        return false;
    }
    Stop1Click();
    return true;
}

void TMainPrgForm::RestartWatchdog()
{
    SerialResetTestTmr->stop();
    SerialResetTestTmr->setInterval(WatchdogInterval);
    SerialResetTestTmr->start();
}

void TMainPrgForm::SerialResetTest()
{
    // A port without its device is the keeper's to reopen.
    if (!PortIsOpen() || RunningDataSource()->LineLost())
        return;
    // Records that the display pause did not show (a fast controller) are life too.
    if (RunningDataSource()->RecordCount != WatchdogRecordCount) {
        WatchdogRecordCount = RunningDataSource()->RecordCount;
        return;
    }
    if (ResetLogging())
        RestartWatchdog();
    RefreshDisplay();
}

void TMainPrgForm::ShowRecord(const TDecodedRecord& record)
{
    SetCurrentRecord(record);
    RefreshDisplay();
    RestartWatchdog();
}

void TMainPrgForm::DefaultFormClick()
{
    // The dialog keeps its own font between calls; it starts as Tahoma 8 pt.
    static QFont dialogFont(QStringLiteral("Tahoma"), 8);
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, dialogFont, this, QStringLiteral("Standardschriftart einstellen"));
    if (!ok)
        return;
    dialogFont = chosen;
    StandardFont().Font = chosen;
    RefreshDisplay();
}

void TMainPrgForm::InfoClick()
{
    AboutBox->setModal(true);
    AboutBox->exec();
}

// ---------------------------------------------------------------- displays

QString TMainPrgForm::FieldListText() const
{
    const TProject* project = CurrentProject();
    if (!project)
        return QString();
    const TDecodedRecord& record = CurrentRecord();
    std::string text = "Systemfelder:\n";
    std::string system;
    for (const std::string& name : SystemFields) {
        int type = -1;
        TFieldValue value;
        GetFieldValue(project, record, name, type, value);
        if (!system.empty())
            system += "; ";
        system += name + "=" + ValueToText(value);
    }
    text += system + "\n\n";
    for (int type = 0; type < FieldTypeCount; ++type) {
        text += "Felder vom Typ " + FieldTypeCaptions[type] + ":\n";
        std::string line;
        const TNameList& names = project->FieldNames[type];
        for (int p = 0; p < record.Counts[type]; ++p) {
            if (p > 0)
                line += "; ";
            line += p < static_cast<int>(names.size()) ? names[p] : "Feld " + std::to_string(p);
            line += '=';
            line += ValueToText(record.Values[type][p]);
            line += FieldTypeUnits[type];
        }
        text += line + "\n\n";
    }
    return Q(text);
}

void TMainPrgForm::RefreshTable() { DataTable->Refresh(CurrentProject(), CurrentRecord()); }

void TMainPrgForm::RefreshDisplay()
{
    FieldList->setFont(StandardFont().Font);
    FieldList->setPlainText(FieldListText());
    if (CurrentProject()) {
        QFont bold = StandardFont().Font;
        bold.setBold(true);
        NameLabel->setFont(bold);
        CommentLabel->setFont(StandardFont().Font);
        DirectoryLabel->setFont(StandardFont().Font);
    }
    for (QWidget* text : {static_cast<QWidget*>(FieldList), static_cast<QWidget*>(NameLabel),
                          static_cast<QWidget*>(CommentLabel), static_cast<QWidget*>(DirectoryLabel),
                          static_cast<QWidget*>(DataTable)})
        ApplyStandardFontColor(*text);
    RefreshTable();
    UpdateStatusLine();
    UpdateLoggingMenu();
}

std::string TMainPrgForm::StateText(bool withDebugMarker) const
{
    const TProject* project = CurrentProject();
    if (!project)
        return std::string();
    const TPortSettings& port = project->Port;
    std::string state = port.Name.empty() ? "COM?" : port.Name;
    if (DebugMode)
        state += " (" + std::to_string(port.BaudRate) + " Baud) ";
    state += ": ";
    if (PortIsOpen()) {
        state += "logging aktiv";
        if (project->RecordingToFile) {
            state += ", aufzeichnen aktiv";
            if (project->RecordStart != 0) {
                const TDateTime now = Now();
                state += " (" + std::to_string(DaysBetween(project->RecordStart, now)) + "d " +
                         std::to_string(HoursBetween(project->RecordStart, now)) + "h " +
                         std::to_string(MinutesBetween(project->RecordStart, now)) + "min)";
            }
        } else {
            state += ", aufzeichnen aus";
        }
        if (!project->TriggerField.empty())
            state += " Trig=" + project->TriggerField;
    } else {
        state += "logging aus";
    }
    if (withDebugMarker && DebugMode)
        state += " *DEBUG-MODUS*";
    return state;
}

void TMainPrgForm::UpdateStatusLine()
{
    const TProject* project = CurrentProject();
    const QString state = Q(StateText(false));
    QString file;
    if (project) {
        const std::string name = std::filesystem::path(project->GetFileName()).filename().string();
        file = QStringLiteral("Projekt-Datei: ") + (name.empty() ? QStringLiteral("<kein Projekt>") : Q(name));
        if (project->Modified)
            file += QStringLiteral("*");
    }
    if (state.trimmed().isEmpty())
        setWindowTitle(QStringLiteral("DEDEZUviv Temperaturdatenlogger"));
    else
        setWindowTitle(QStringLiteral("DEDEZUviv Temperaturdatenlogger - ") + state);
    StatusPanel0->setText(QStringLiteral("<") + Q(StateText(true)) + QStringLiteral(">"));
    StatusPanel1->setText(file);
    // In a window too narrow for them the whole texts are still at hand.
    StatusPanel0->setToolTip(StatusPanel0->text());
    StatusPanel1->setToolTip(file);
    if (project) {
        NameLabel->setText(QStringLiteral("Name: ") + Q(project->GetName()));
        CommentLabel->setText(Q(project->GetComment()));
        DirectoryLabel->setText(QStringLiteral("Verzeichnis: ") + Q(project->GetDataDir()));
    } else {
        NameLabel->clear();
        CommentLabel->clear();
        DirectoryLabel->clear();
    }
}

void TMainPrgForm::UpdateLoggingMenu()
{
    for (QAction* entry : {StopEntry, StartEntry, SavingOnEntry, SavingOffEntry})
        entry->setEnabled(false);
    const TProject* project = CurrentProject();
    if (!project)
        return;
    const bool open = PortIsOpen();
    StartEntry->setEnabled(!open);
    StopEntry->setEnabled(open);
    if (open) {
        SavingOnEntry->setEnabled(!project->RecordingToFile);
        SavingOffEntry->setEnabled(project->RecordingToFile);
    }
}

void TMainPrgForm::ClearChart() { ChartPage->ClearChart(); }

// ---------------------------------------------------------------- closing

bool TMainPrgForm::SaveProject()
{
    TProject* project = CurrentProject();
    if (!project)
        return true;
    SaveProjectCommand();
    return CurrentProject() == nullptr || !CurrentProject()->Modified;
}

TAppSettings TMainPrgForm::CurrentAppSettings() const
{
    TAppSettings settings;
    settings.Width = width();
    settings.Height = height();
    settings.Left = x();
    settings.Top = y();
    settings.StandardFontName = StandardFont().Font.family().toStdString();
    settings.StandardFontSize = StandardFont().Font.pointSize();
    settings.StandardFontColor = StandardFont().Color;
    return settings;
}

bool TMainPrgForm::CanClose()
{
    bool close = ConfirmStopLogging();
    if (close) {
        TProject* project = CurrentProject();
        if (project && project->Modified) {
            const TDialogAnswer answer =
                AskUser("Soll das Projekt gespeichert werden vor Beendigung des Programms? ", true);
            if (answer == TDialogAnswer::Yes)
                close = SaveProject();
            else if (answer == TDialogAnswer::Cancel)
                close = false;
        }
    }
    if (close) {
        const std::string settingsFile = AppSettingsPath();
        if (!settingsFile.empty()) {
            int code = 0;
            std::string text;
            WriteAppSettings(settingsFile, CurrentAppSettings(), CurrentProject(), code, text);
            if (code != 0)
                ShowError("Die Einstellungenen konnten nicht gespeichert werden.");
        }
    }
    RefreshDisplay();
    return close;
}

void TMainPrgForm::closeEvent(QCloseEvent* event)
{
    if (CanClose())
        event->accept();
    else
        event->ignore();
}

}  // namespace dedezuviv::gui
