// The window's memory-card import through both menu entries, offscreen, with scripted message and
// file dialog answers: no project, logging running (No leaves everything as it was), the import with
// its progress texts and the delete question, and a failed import that offers no deletion.
#include "GuiTestSupport.h"

#include "app/core/FileChooser.h"
#include "app/gui/CardImportCommands.h"
#include "app/gui/GuiMain.h"
#include "app/gui/ProgressWindow.h"
#include "app/gui/MainWindow.h"
#include "base/FormatSettings.h"
#include "model/CardImport.h"
#include "model/LiveLogging.h"
#include "model/DayFiles.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "support/RecordLines.h"
#include "support/TestSupport.h"

#include <QAction>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::app;
using namespace dedezuviv::gui;

using guitest::ScriptedDialogs;
using guitest::ScriptedFiles;
using testsupport::RecordLine;
using testsupport::WriteFile;

namespace {

namespace fs = std::filesystem;

const std::string NoProjectMessage =
    "Für diese Funktion muss ein Projekt ausgewählt sein. Legen Sie ggf. neues Projekt an.";
const std::string StopQuestion = "Soll der Datenempfang gestoppt werden um gewünschte Aktion durchzuführen?";

struct CardImportCommandsTest : ::testing::Test {
    std::unique_ptr<TMainPrgForm> Window;
    ScriptedDialogs Dialogs;
    ScriptedFiles Files;
    testsupport::TempDir Dir;
    const TDateTime Start = EncodeDateTime(2026, 5, 2, 8, 0, 0);

    void SetUp() override
    {
        SetGermanFormatSettings();
        Window = std::make_unique<TMainPrgForm>();
        ConnectWindowToCore(*Window);
        InstallCardImportCommands(*Window);
        SetUserDialogs(&Dialogs);
        SetFileChooser(&Files);
    }
    void TearDown() override
    {
        CloseCurrentProject();
        DisconnectWindowFromCore();
        Window.reset();
    }

    TProject& OpenProject()
    {
        auto project = std::make_unique<TProject>();
        project->Root = (Dir / "projekt").string();
        project->SamplingInterval = 60;
        ReplaceCurrentProject(std::move(project));
        return *CurrentProject();
    }

    std::string CardFile(int records)
    {
        std::string bytes;
        for (int i = 0; i < records; ++i)
            bytes += RecordLine(IncSecond(Start, i * 10), {40.0 + i}) + "\r\n";
        const fs::path path = Dir / "LOG.l00";
        WriteFile(path, bytes);
        return path.string();
    }

    size_t DayLineCount() const
    {
        std::istringstream text(testsupport::ReadFile(DataFileName(*CurrentProject(), Start)));
        size_t count = 0;
        for (std::string line; std::getline(text, line);)
            ++count;
        return count;
    }

    void Trigger(const char* menu)
    {
        QAction* entry = Window->MenuEntry(QString::fromUtf8(menu), QStringLiteral("Daten von SD-Karte einlesen"));
        ASSERT_NE(entry, nullptr) << menu;
        ASSERT_TRUE(entry->isEnabled()) << menu;
        entry->trigger();
    }
};

TEST_F(CardImportCommandsTest, NeedsAProject)
{
    Trigger("Werkzeuge");
    EXPECT_TRUE(Dialogs.Contains("inform", NoProjectMessage));
    EXPECT_TRUE(Files.Calls.empty());
}

TEST_F(CardImportCommandsTest, ImportsShowsProgressAndDeletesOnYes)
{
    TProject& project = OpenProject();
    const std::string card = CardFile(60);  // 10 minutes every 10 s; interval 60 s: 10 lines

    // No keeps the file.
    Files.Answers = {card};
    Dialogs.Answers = {TDialogAnswer::No};
    Trigger("Datenaufzeichnung");
    ASSERT_EQ(Files.Calls.size(), 1u);
    EXPECT_EQ(Files.Calls[0].Kind, "open");
    EXPECT_EQ(Files.Calls[0].Title, "Daten aus externer Datei einlesen (SD-Karte)");
    EXPECT_EQ(Files.Calls[0].Filter, "Datalog (*.l00)|*.l00");
    EXPECT_EQ(DayLineCount(), 10u);
    EXPECT_TRUE(Dialogs.Contains("ask", CardImportMessages::DeleteQuestion));
    EXPECT_TRUE(fs::exists(card));
    EXPECT_FALSE(project.RecordingToFile);
    const std::string shown = Window->LogBox->Text().toStdString();
    EXPECT_NE(shown.find("Lese Datei " + card + "..."), std::string::npos) << shown;
    EXPECT_NE(shown.find("60 Datensätze aus Datei LOG.l00 erfolgreich eingelesen"), std::string::npos) << shown;
    EXPECT_FALSE(Window->LogBox->isVisible());
    EXPECT_TRUE(Window->isEnabled());

    // Again, from the other menu: nothing new is written; Yes deletes the card file.
    Files.Answers = {card};
    Dialogs.Answers = {TDialogAnswer::Yes};
    Trigger("Werkzeuge");
    EXPECT_EQ(DayLineCount(), 10u);
    EXPECT_FALSE(fs::exists(card));
    EXPECT_EQ(Dialogs.Count("error"), 0);
}

TEST_F(CardImportCommandsTest, RunningLoggingIsStoppedOnlyWhenTheUserAgrees)
{
    testsupport::PtyPair pty;
    if (!pty.Start())
        GTEST_SKIP() << "socat is missing";
    TProject& project = OpenProject();
    project.Port.Name = pty.EndA();
    StartRunningDataSource(project.Port);
    ASSERT_TRUE(LoggingActive());
    const std::string card = CardFile(30);

    Files.Answers = {card};
    Dialogs.Answers = {TDialogAnswer::No};
    Trigger("Werkzeuge");
    EXPECT_TRUE(Dialogs.Contains("ask", StopQuestion));
    EXPECT_TRUE(Files.Calls.empty());
    EXPECT_TRUE(LoggingActive());
    EXPECT_FALSE(fs::exists(DataFileName(project, Start)));

    Dialogs.Answers = {TDialogAnswer::Yes, TDialogAnswer::No};
    Trigger("Werkzeuge");
    EXPECT_FALSE(LoggingActive());
    EXPECT_EQ(DayLineCount(), 5u);
    EXPECT_TRUE(fs::exists(card));
}

TEST_F(CardImportCommandsTest, FailedImportShowsTheErrorAndOffersNoDeletion)
{
    TProject& project = OpenProject();
    const std::string card = CardFile(30);
    // The day file's name is taken by a folder: nothing can be recorded.
    fs::create_directories(DataFileName(project, Start));
    Files.Answers = {card};
    Dialogs.Answers = {TDialogAnswer::Yes};
    Trigger("Datenaufzeichnung");
    ASSERT_EQ(Dialogs.Count("error"), 1);
    EXPECT_EQ(Dialogs.Shown.back().Text.rfind(CardImportMessages::Failed, 0), 0u) << Dialogs.Shown.back().Text;
    EXPECT_FALSE(Dialogs.Contains("ask", CardImportMessages::DeleteQuestion));
    EXPECT_TRUE(fs::exists(card));
    EXPECT_FALSE(Window->LogBox->isVisible());
}

}  // namespace
