// The window's menus: the layout the window keeps, filled by the rows of the window and of every
// commands unit; a row outside the layout and an entry left without a row stop the program at start.
#include "GuiTestSupport.h"

#include "app/gui/AutostartCommands.h"
#include "app/gui/CardImportCommands.h"
#include "app/gui/ChartCommands.h"
#include "app/gui/DeviceCommands.h"
#include "app/gui/ExportCommands.h"
#include "app/gui/GuiMain.h"
#include "app/gui/MainWindow.h"
#include "app/gui/ProjectCommands.h"
#include "app/gui/TableCommands.h"
#include "model/LiveState.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace dedezuviv::model;
using namespace dedezuviv::gui;

namespace {

std::string Text(const QString& text) { return text.toStdString(); }

// The message of the std::logic_error that Action throws; empty when it throws none.
template <typename TAction>
std::string LogicError(TAction action)
{
    try {
        action();
    } catch (const std::logic_error& error) {
        return error.what();
    }
    return std::string();
}

struct CommandHostTest : ::testing::Test {
    void TearDown() override { MainView().Dialogs.Clear(); }
};

// Each menu with its entries in order, an entry as "caption" or "caption|shortcut".
TEST_F(CommandHostTest, TheMenusAreTheLayoutFilledWithEveryUnitsRows)
{
    const std::vector<std::pair<std::string, std::vector<std::string>>> menus = {
        {"Projekt",
         {"Neues Projekt anlegen|Ctrl+N", "Projekt laden", "Projekt speichern|Ctrl+S", "Projekt klonen",
          "Programm beenden|Ctrl+W"}},
        {"Datenaufzeichnung",
         {"Aufzeichnung/Logging anhalten|Ctrl+A", "Aufzeichnung/Logging starten|Ctrl+L", "Daten speichern ein|Ctrl+R",
          "Daten speichern aus|Ctrl+O", "Daten von SD-Karte einlesen", "Log-Protokoll löschen",
          "Laufende Messung anhalten und exportieren", "Laufende Messung anhalten und grafisch auswerten|Ctrl+M"}},
        {"Einstellungen",
         {"Angeschlossenes Gerät automatisch erkennen|F9", "Schnittstelle einstellen", "Datensatz-Definition bearbeiten",
          "Projekteinstellungen bearbeiten", "Standardschriftart einstellen"}},
        {"Werkzeuge", {"Autostart-Eintrag anlegen", "Autostart-Eintrag löschen", "Daten von SD-Karte einlesen"}},
        {"Grafik",
         {"Grafische Auswertung erstellen|Ctrl+P", "Feldauswahl erstellen/bearbeiten",
          "Temperaturgrafik in Zwischenablage kopieren", "Temperaturgrafik speichern",
          "Grafik der Ausgänge in Zwischenablage kopieren", "Grafik der Ausgänge speichern"}},
        {"Export",
         {"Feldauswahl erstellen/bearbeiten", "Exportieren in Datei|Ctrl+E", "Batch-Export|Ctrl+B",
          "Tabelle in Zwischenablage kopieren|Ctrl+C", "Selektierte Tabellenfelder --> Clipboard"}},
    };
    TMainPrgForm window;
    InstallWindowCommands(window);

    const QList<QAction*> titles = window.menuBar()->actions();
    ASSERT_EQ(titles.size(), static_cast<qsizetype>(menus.size() + 1));
    for (size_t m = 0; m < menus.size(); ++m) {
        EXPECT_EQ(Text(titles[m]->text()), menus[m].first);
        ASSERT_NE(titles[m]->menu(), nullptr) << menus[m].first;
        const QList<QAction*> entries = titles[m]->menu()->actions();
        ASSERT_EQ(entries.size(), static_cast<qsizetype>(menus[m].second.size())) << menus[m].first;
        for (qsizetype e = 0; e < entries.size(); ++e) {
            const std::string& row = menus[m].second[static_cast<size_t>(e)];
            const size_t bar = row.find('|');
            EXPECT_EQ(Text(entries[e]->text()), row.substr(0, bar)) << menus[m].first;
            EXPECT_EQ(entries[e]->shortcut(), QKeySequence(bar == std::string::npos ? QString() : QString::fromStdString(row.substr(bar + 1))))
                << row;
        }
    }
    EXPECT_EQ(Text(titles.back()->text()), "Info");
    EXPECT_EQ(titles.back()->menu(), nullptr);
    EXPECT_FALSE(window.MenuEntry(QStringLiteral("Export"), QStringLiteral("Selektierte Tabellenfelder --> Clipboard"))
                     ->isVisible());
    // Without a project only the logging entries are disabled.
    EXPECT_FALSE(window.MenuEntry(QStringLiteral("Aufzeichnung/Logging starten"))->isEnabled());
    EXPECT_TRUE(window.MenuEntry(QStringLiteral("Export"), QStringLiteral("Batch-Export"))->isEnabled());
}

TEST_F(CommandHostTest, ARowOutsideTheLayoutOrForAFilledEntryFailsNamingItsCaption)
{
    TMainPrgForm window;
    const struct {
        const char* Menu;
        const char* Caption;
    } wrong[] = {
        {"Grafik", "Grafik drucken"},                  // no such entry
        {"Export", "Grafische Auswertung erstellen"},  // an entry of another menu
        {"Projekt", "Programm beenden"},               // the window's own row fills it already
    };
    for (const auto& row : wrong) {
        const std::string message = LogicError(
            [&] { window.AddMenuRows({{QString::fromUtf8(row.Menu), QString::fromUtf8(row.Caption), {}, [] {}}}); });
        EXPECT_NE(message.find(row.Caption), std::string::npos) << row.Caption << ": " << message;
    }
}

TEST_F(CommandHostTest, AnEntryWithoutARowFailsOnceTheUnitsAreInstalled)
{
    TMainPrgForm window;
    InstallDeviceCommands(window);
    InstallCardImportCommands(window);
    InstallChartCommands(window);
    InstallExportCommands(window);
    InstallTableCommands(window);
    InstallProjectCommands(window);
    const std::string message = LogicError([&] { window.CheckCommandsInstalled(); });
    EXPECT_NE(message.find("Autostart-Eintrag anlegen"), std::string::npos) << message;
    EXPECT_NE(message.find("Autostart-Eintrag löschen"), std::string::npos) << message;
    EXPECT_EQ(message.find("Batch-Export"), std::string::npos) << message;

    InstallAutostartCommands(window);
    EXPECT_EQ(LogicError([&] { window.CheckCommandsInstalled(); }), "");
}

}  // namespace
