// "Autostart-Eintrag anlegen" and "Autostart-Eintrag löschen" from the menu "Werkzeuge", with the
// dialog answered by the test and the entries in temporary XDG folders.
#include "GuiTestSupport.h"

#include "app/core/Autostart.h"
#include "app/gui/AutoStartDlg.h"
#include "app/gui/AutostartCommands.h"
#include "app/gui/GuiMain.h"
#include "app/gui/MainWindow.h"
#include "model/LiveState.h"
#include "model/ProjectFile.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>

using namespace dedezuviv::model;
using namespace dedezuviv::app;
using namespace dedezuviv::gui;

namespace fs = std::filesystem;
using guitest::ScriptedDialogs;

namespace {

std::string Text(const QString& text) { return text.toStdString(); }

struct AutostartCommandsTest : ::testing::Test {
    std::unique_ptr<TMainPrgForm> Window;
    ScriptedDialogs Dialogs;
    testsupport::TempDir Dir;
    TAutostartPlaces Saved;

    void SetUp() override
    {
        Saved = AutostartPlaces();
        AutostartPlaces().UserFolder = (Dir / "config/autostart").string();
        AutostartPlaces().AllUsersFolder = (Dir / "etc/xdg/autostart").string();
        AutostartPlaces().SystemdUserFolder = (Dir / "config/systemd/user").string();
        AutostartPlaces().Systemctl = (Dir / "kein-systemctl").string();
        Window = std::make_unique<TMainPrgForm>();
        ConnectWindowToCore(*Window);
        InstallAutostartCommands(*Window);
        SetUserDialogs(&Dialogs);
    }

    void TearDown() override
    {
        CloseProject();
        DisconnectWindowFromCore();
        Window.reset();
        AutostartPlaces() = Saved;
    }

    fs::path Entry(const std::string& folder) const
    {
        return fs::path(folder) / "DEDEZUviv Temperaturdatenlogger.desktop";
    }

    // Runs "Autostart-Eintrag anlegen"; Script answers the dialog.
    void AddFromMenu(const std::function<void(TAutoStartDlg&)>& script)
    {
        TAutoStartDlg& dialog = AutoStartDlg(*Window);
        EXPECT_TRUE(guitest::WithDialog(dialog, [&] { script(dialog); }, [this] {
            Window->MenuEntry(QStringLiteral("Werkzeuge"), QStringLiteral("Autostart-Eintrag anlegen"))->trigger();
        }));
    }
};

}  // namespace

TEST_F(AutostartCommandsTest, EntriesAreMadeValidatedAndRemovedAgain)
{
    auto project = std::make_unique<TProject>();
    project->SetFileName((Dir / "Anlagen/Haus 1.p-p").string());
    ReplaceCurrentProject(std::move(project));

    AddFromMenu([](TAutoStartDlg& dialog) {
        EXPECT_EQ(Text(dialog.windowTitle()), "Autostart-Eintrag anlegen");
        ASSERT_EQ(dialog.ParameterComboBox->count(), 3);
        EXPECT_EQ(Text(dialog.ParameterComboBox->itemText(0)),
                  "aktuell gewähltes Projekt und aktuell gewählte Schnittstelle beutzen");
        EXPECT_EQ(dialog.ParameterComboBox->currentIndex(), 0);
        EXPECT_FALSE(dialog.AllUsersCB->isChecked());
        dialog.ParameterComboBox->setCurrentIndex(1);
        dialog.OKBtn->click();
    });
    const fs::path userEntry = Entry(AutostartPlaces().UserFolder);
    ASSERT_TRUE(fs::exists(userEntry));
    EXPECT_EQ(std::system(("desktop-file-validate " + testsupport::ShellQuote(userEntry.string()) + " | grep -q error")
                              .c_str()) >> 8,
              1);
    const std::string arguments = " /PROJECT=\"" + CurrentProject()->GetFileName() + "\" /PORT=\"AUTO\" /START";
    EXPECT_TRUE(Dialogs.Contains(
        "inform", "Der Autostart-Eintrag ist angelegt.\n\r(DEDEZUviv Temperaturdatenlogger " + arguments + ")"));

    // A second run offers the same three choices, with the first chosen again; all users this time.
    AddFromMenu([](TAutoStartDlg& dialog) {
        EXPECT_EQ(dialog.ParameterComboBox->count(), 3);
        EXPECT_EQ(dialog.ParameterComboBox->currentIndex(), 0);
        // A typed-over choice starts with the last project.
        dialog.ParameterComboBox->setEditText(QStringLiteral("irgendwas"));
        dialog.AllUsersCB->click();
        dialog.OKBtn->click();
    });
    EXPECT_FALSE(fs::exists(userEntry));
    const fs::path allUsersEntry = Entry(AutostartPlaces().AllUsersFolder);
    ASSERT_TRUE(fs::exists(allUsersEntry));
    EXPECT_NE(testsupport::ReadFile(allUsersEntry).find("Exec=" + AutostartPlaces().ProgramPath + " /START\n"), std::string::npos)
        << testsupport::ReadFile(allUsersEntry);

    // Abbrechen changes nothing.
    AddFromMenu([](TAutoStartDlg& dialog) { dialog.CancelBtn->click(); });
    EXPECT_TRUE(fs::exists(allUsersEntry));

    Dialogs.Answers = {TDialogAnswer::Yes};
    Window->MenuEntry(QStringLiteral("Werkzeuge"), QStringLiteral("Autostart-Eintrag löschen"))->trigger();
    EXPECT_TRUE(Dialogs.Contains("ask", "Soll der Autostart-Eintrag wirklich gelöscht werden?"));
    EXPECT_FALSE(fs::exists(allUsersEntry));
    EXPECT_TRUE(Dialogs.Contains("inform", "Autostart-Eintrag ist erfolgreich gelöscht oder es war keiner vorhanden."));
}

TEST_F(AutostartCommandsTest, WithoutProjectTheProjectChoicesAreRefusedAndSystemdIsNamedWhenMissing)
{
    AddFromMenu([](TAutoStartDlg& dialog) { dialog.OKBtn->click(); });
    EXPECT_EQ(Dialogs.Count("error"), 1);
    EXPECT_FALSE(fs::exists(Entry(AutostartPlaces().UserFolder)));

    AddFromMenu([](TAutoStartDlg& dialog) {
        dialog.ParameterComboBox->setCurrentIndex(2);
        dialog.SystemdServiceCB->click();
        EXPECT_FALSE(dialog.AllUsersCB->isEnabled());
        EXPECT_EQ(dialog.ChosenScope(), TAutostartScope::SystemdUser);
        dialog.OKBtn->click();
    });
    ASSERT_FALSE(Dialogs.Shown.empty());
    EXPECT_NE(Dialogs.Shown.back().Text.find("systemd ist auf diesem Rechner nicht vorhanden"), std::string::npos);
}
