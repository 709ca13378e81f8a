// The page "Tabelle": painting of the cells, the cell dialog and its numeric edits, drag and drop,
// the label clicks and the two clipboard commands, driven through the real handlers offscreen.
#include "GuiTestSupport.h"

#include "app/gui/CellContentDlg.h"
#include "app/gui/DataTableGrid.h"
#include "app/gui/FloatEdit.h"
#include "app/gui/GuiMain.h"
#include "app/gui/MainWindow.h"
#include "app/gui/StandardFont.h"
#include "app/gui/TableCommands.h"
#include "base/AppGlobals.h"
#include "base/FormatSettings.h"
#include "base/IniFile.h"
#include "model/LiveState.h"
#include "model/ProjectFile.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::gui;

using guitest::ScriptedDialogs;

namespace {

std::string Text(const QString& text) { return text.toStdString(); }

// Pixels of the cell's area whose colour is close to Color.
int PixelsNear(const QImage& image, const QRect& rect, const QColor& color, int tolerance = 60)
{
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (std::abs(pixel.red() - color.red()) + std::abs(pixel.green() - color.green()) +
                    std::abs(pixel.blue() - color.blue()) <=
                tolerance)
                ++count;
        }
    return count;
}

struct TablePageTest : ::testing::Test {
    std::unique_ptr<TMainPrgForm> Window;
    ScriptedDialogs Dialogs;
    testsupport::TempDir Dir;
    QFont SavedFont;

    void SetUp() override
    {
        SetGermanFormatSettings();
        SavedFont = StandardFont().Font;
        Window = std::make_unique<TMainPrgForm>();
        ConnectWindowToCore(*Window);
        InstallTableCommands(*Window);
        SetUserDialogs(&Dialogs);
        Window->resize(900, 700);
        Window->Pages->setCurrentIndex(2);
        Window->show();
        QApplication::processEvents();
    }

    void TearDown() override
    {
        CloseProject();
        ClearCurrentRecord();
        DisconnectWindowFromCore();
        Window.reset();
        StandardFont().Font = SavedFont;
        QGuiApplication::clipboard()->clear();
    }

    TProject& OpenProject()
    {
        auto project = std::make_unique<TProject>();
        project->SetFileName((Dir / "Haus.p-p").string());
        project->SetName("Haus");
        project->SetComment("Heizung im Keller");
        project->FieldNames[ftTemperature] = {"Außen", "Kessel"};
        project->FieldNames[ftOutput] = {"Brenner"};
        project->SetModified(false);
        ReplaceCurrentProject(std::move(project));
        ShowValues(-3.5, 61.5, 1);
        return *CurrentProject();
    }

    void ShowValues(double outdoor, double boiler, int burner, TDateTime deviceTime = 0)
    {
        auto record = std::make_unique<TDecodedRecord>();
        TOrvaProtocol::ClearRecord(*record);
        TFieldValue value;
        value.Kind = vkFloat;
        value.FloatValue = outdoor;
        TOrvaProtocol::AddValue(*record, ftTemperature, value);
        value.FloatValue = boiler;
        TOrvaProtocol::AddValue(*record, ftTemperature, value);
        value.Kind = vkInteger;
        value.IntValue = burner;
        TOrvaProtocol::AddValue(*record, ftOutput, value);
        record->Header.RT = deviceTime;
        Window->ShowRecord(*record);
    }

    TDataField& PutCell(int col, int row, const std::string& name)
    {
        auto field = std::make_unique<TDataField>();
        field->Fieldname = name;
        TDataField& result = *field;
        MainView().Table.SetCell(col, row, std::move(field));
        return result;
    }

    QRect CellRect(int col, int row) const
    {
        return Window->DataTable->visualRect(Window->DataTable->model()->index(row, col));
    }

    QImage GridImage() const { return Window->DataTable->viewport()->grab().toImage(); }

    // Runs the cell dialog for the cell: Script acts on the dialog while it is shown.
    void EditCell(int col, int row, const std::function<void(TCellContentDlg&)>& script)
    {
        Window->DataTable->setCurrentCell(row, col);
        TCellContentDlg& dialog = CellContentDlg(*Window);
        EXPECT_TRUE(guitest::WithDialog(dialog, [&] { script(dialog); }, [this] { EditDataField(*Window); }));
    }

    std::string Clipboard() const { return Text(QGuiApplication::clipboard()->text()); }
};

}  // namespace

TEST_F(TablePageTest, CellsShowTheirLimitColoursInTheirFonts)
{
    OpenProject();
    TDataField& overMax = PutCell(0, 0, "Kessel (Temperatur)");
    overMax.ActivateMax = true;
    overMax.MaxVal = 60;
    PutCell(0, 1, "Kessel (Temperatur)");
    TDataField& bold = PutCell(0, 2, "Kessel (Temperatur)");
    bold.BoldFont = true;
    TDataField& belowMin = PutCell(1, 0, "Außen (Temperatur)");
    belowMin.ActivateMin = true;
    belowMin.FontColor = 0x008000;  // green while in range
    Window->RefreshDisplay();

    EXPECT_EQ(Text(Window->DataTable->CellText(0, 0)), "Kessel: 61,5°C");
    EXPECT_EQ(Text(Window->DataTable->CellText(1, 0)), "Außen: -3,5°C");
    EXPECT_EQ(overMax.DisplayColor, CellColorRed);
    EXPECT_EQ(belowMin.DisplayColor, CellColorBlue);

    const QImage image = GridImage();
    const QColor red(255, 0, 0), blue(0, 0, 255), black(0, 0, 0);
    EXPECT_GT(PixelsNear(image, CellRect(0, 0), red), 10);
    EXPECT_EQ(PixelsNear(image, CellRect(0, 0), black, 30), 0);
    EXPECT_GT(PixelsNear(image, CellRect(0, 1), black), 10);
    EXPECT_EQ(PixelsNear(image, CellRect(0, 1), red), 0);
    EXPECT_GT(PixelsNear(image, CellRect(1, 0), blue), 10);
    // The same text in bold covers more pixels.
    EXPECT_GT(PixelsNear(image, CellRect(0, 2), black), PixelsNear(image, CellRect(0, 1), black) * 11 / 10);

    // Back in range: the normal colour again.
    ShowValues(2.0, 59.0, 0);
    EXPECT_EQ(overMax.DisplayColor, CellColorBlack);
    EXPECT_EQ(belowMin.DisplayColor, 0x008000);
    EXPECT_GT(PixelsNear(GridImage(), CellRect(1, 0), QColor(0, 128, 0), 40), 10);
}

TEST_F(TablePageTest, OccupiedCellsAreWhiteEvenWhenSelectedAndUseTheStandardFont)
{
    TProject& project = OpenProject();
    TDataField& field = PutCell(0, 0, "Kessel (Temperatur)");
    field.ItalicFont = true;
    StandardFont().Font = QFont(QStringLiteral("DejaVu Sans"), 13);
    Window->DataTable->setCurrentCell(0, 0);
    Window->DataTable->setRangeSelected(QTableWidgetSelectionRange(0, 0, 0, 1), true);
    Window->RefreshDisplay();

    const QFont cellFont = TDataTableGrid::CellFont(field);
    EXPECT_TRUE(cellFont.italic());
    EXPECT_FALSE(cellFont.bold());
    EXPECT_EQ(cellFont.pointSize(), 13);
    EXPECT_EQ(Window->DataTable->font().pointSize(), 13);

    const QImage image = GridImage();
    const QRect occupied = CellRect(0, 0);
    const QRect empty = CellRect(1, 0);
    EXPECT_EQ(image.pixelColor(occupied.right() - 3, occupied.bottom() - 2), QColor(Qt::white));
    // An empty selected cell keeps the grid's own painting (the selection colour).
    EXPECT_NE(image.pixelColor(empty.right() - 3, empty.bottom() - 2), QColor(Qt::white));

    EXPECT_TRUE(Window->DataTable->showGrid());
    project.ShowTableGrid = false;
    Window->RefreshDisplay();
    EXPECT_FALSE(Window->DataTable->showGrid());
}

TEST_F(TablePageTest, CellDialogRoundTripIntoTheSavedProject)
{
    TProject& project = OpenProject();
    EditCell(2, 3, [&](TCellContentDlg& dialog) {
        EXPECT_EQ(Text(dialog.windowTitle()), "Auswahl des angezeigten Feldinhalts");
        ASSERT_EQ(dialog.DataFieldBox->count(), 10);
        EXPECT_EQ(Text(dialog.DataFieldBox->itemText(0)), "kein Feld");
        EXPECT_EQ(Text(dialog.DataFieldBox->itemText(1)), "Außen (Temperatur)");
        EXPECT_EQ(Text(dialog.DataFieldBox->itemText(2)), "Brenner (Relais)");
        EXPECT_EQ(dialog.DataFieldBox->currentIndex(), 0);
        EXPECT_EQ(Text(dialog.MaxValEdit->text()), "0,5");
        EXPECT_FALSE(dialog.TextEdit->isEnabled());
        EXPECT_FALSE(dialog.MaxValEdit->isEnabled());
        EXPECT_FALSE(dialog.MaxFontColorBtn->isEnabled());
        EXPECT_EQ(Text(dialog.DeleteBtn->text()), "Löschen && OK");

        dialog.DataFieldBox->setCurrentText(QStringLiteral("Kessel (Temperatur)"));
        dialog.ActivateMaxCB->click();
        EXPECT_TRUE(dialog.MaxValEdit->isEnabled());
        EXPECT_TRUE(dialog.MaxFontColorBtn->isEnabled());
        dialog.MaxValEdit->setText(QStringLiteral("60,25"));
        dialog.PickColor = [](TCellColor& color, QWidget*) {
            color = 0x00FF00;  // green
            return true;
        };
        dialog.MaxFontColorBtn->click();
        EXPECT_EQ(dialog.MaxFontColorBtn->palette().color(QPalette::ButtonText), QColor(0, 255, 0));
        dialog.PickColor = [](TCellColor&, QWidget*) { return false; };  // cancelled: the colour stays
        dialog.FontColorBtn->click();
        EXPECT_EQ(dialog.FontColor, CellColorBlack);
        dialog.DontUseDefaultUnitBox->click();
        EXPECT_TRUE(dialog.UnitEdit->isEnabled());
        dialog.UnitEdit->setText(QStringLiteral(" Grad"));
        dialog.BoldFontBox->click();
        dialog.OKBtn->click();
    });

    const TDataField* cell = MainView().Table.Cell(2, 3);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->Fieldname, "Kessel (Temperatur)");
    EXPECT_TRUE(cell->ActivateMax);
    EXPECT_DOUBLE_EQ(cell->MaxVal, 60.25);
    EXPECT_EQ(cell->MaxFontColor, 0x00FF00);
    EXPECT_TRUE(cell->BoldFont);
    EXPECT_TRUE(project.Modified);
    EXPECT_EQ(Text(Window->DataTable->CellText(2, 3)), "Kessel: 61,5 Grad");
    EXPECT_EQ(cell->DisplayColor, 0x00FF00);

    int result = -1;
    std::string error;
    SaveProjectFile(project, project.GetFileName(), result, error);
    ASSERT_EQ(result, 0) << error;
    TIniFile ini(project.GetFileName());
    EXPECT_EQ(ini.ReadInteger("Data Table", "Count", 0), 1);
    EXPECT_EQ(ini.ReadInteger("Data Table", "Cell0_Col", -1), 2);
    EXPECT_EQ(ini.ReadInteger("Data Table", "Cell0_Row", -1), 3);
    EXPECT_EQ(ini.ReadString("Data Table", "Cell0_Fieldname", ""), "Kessel (Temperature)");
    EXPECT_EQ(ini.ReadString("Data Table", "Cell0_MaxVal", ""), "60,25");
    EXPECT_EQ(ini.ReadString("Data Table", "Cell0_MaxFontColor", ""), "65280");

    // Loading the saved file gives the same cell, shown the same way.
    const std::string file = project.GetFileName();
    CloseProject();
    Window->RefreshDisplay();
    EXPECT_EQ(Text(Window->DataTable->CellText(2, 3)), "");
    LoadProjectFile(file, result, error);
    ASSERT_EQ(result, 0) << error;
    ShowValues(-3.5, 61.5, 1);
    EXPECT_EQ(Text(Window->DataTable->CellText(2, 3)), "Kessel: 61,5 Grad");
}

TEST_F(TablePageTest, CellDialogCancelDeleteAndFieldChoices)
{
    TProject& project = OpenProject();
    TDataField& field = PutCell(0, 0, "Brenner (Relais)");
    field.CaptionStr = "Brenner an? ";
    Window->RefreshDisplay();

    // Abbrechen: nothing changes, even what was edited in the dialog.
    EditCell(0, 0, [](TCellContentDlg& dialog) {
        EXPECT_EQ(Text(dialog.DataFieldBox->currentText()), "Brenner (Relais)");
        dialog.DataFieldBox->setCurrentIndex(0);
        dialog.CancelBtn->click();
    });
    EXPECT_EQ(MainView().Table.Cell(0, 0)->Fieldname, "Brenner (Relais)");
    EXPECT_FALSE(project.Modified);

    // A typed name that is no entry keeps the field; "kein Feld" with a caption shows just the caption.
    EditCell(0, 0, [](TCellContentDlg& dialog) {
        dialog.DataFieldBox->setEditText(QStringLiteral("Brenn"));
        dialog.OKBtn->click();
    });
    EXPECT_EQ(MainView().Table.Cell(0, 0)->Fieldname, "Brenner (Relais)");
    EditCell(0, 0, [](TCellContentDlg& dialog) {
        dialog.DataFieldBox->setCurrentIndex(0);
        dialog.DontUseFieldnameAsCaptionBox->click();
        EXPECT_EQ(Text(dialog.TextEdit->text()), "Brenner an? ");
        dialog.OKBtn->click();
    });
    EXPECT_EQ(MainView().Table.Cell(0, 0)->Fieldname, "");
    EXPECT_EQ(Text(Window->DataTable->CellText(0, 0)), "Brenner an? ");

    // A limit that is no number: the conversion error, and 0 is stored.
    EditCell(0, 0, [](TCellContentDlg& dialog) {
        dialog.ActivateMinCB->click();
        dialog.MinValEdit->setText(QStringLiteral("1.5"));
        dialog.OKBtn->click();
    });
    EXPECT_TRUE(Dialogs.Contains("error", "EConvertError\r'1.5' ist kein gültiger Gleitkommawert"));
    EXPECT_EQ(MainView().Table.Cell(0, 0)->MinVal, 0.0);

    project.SetModified(false);
    EditCell(0, 0, [](TCellContentDlg& dialog) { dialog.DeleteBtn->click(); });
    EXPECT_EQ(MainView().Table.Cell(0, 0), nullptr);
    EXPECT_EQ(Text(Window->DataTable->CellText(0, 0)), "");
    EXPECT_TRUE(project.Modified);
}

TEST_F(TablePageTest, DoubleClickWithoutProjectShowsTheMessageOnly)
{
    Window->DataTable->setCurrentCell(0, 0);
    // A dialog shown by mistake would be closed here and the test would fail below.
    QTimer::singleShot(2000, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    EditDataField(*Window);
    EXPECT_TRUE(Dialogs.Contains(
        "inform", "Für diese Funktion muss ein Projekt ausgewählt sein. Legen Sie ggf. neues Projekt an."));
    EXPECT_EQ(MainView().Table.Count(), 0);
}

TEST(FloatEdit, KeysSeparatorAndValues)
{
    SetGermanFormatSettings();
    TFloatEdit edit;
    const auto typed = [&](QChar key) {
        edit.KeyPress(key);
        return key;
    };
    EXPECT_EQ(typed('5'), QChar('5'));
    EXPECT_EQ(typed('+'), QChar('+'));
    EXPECT_EQ(typed('-'), QChar('-'));
    EXPECT_EQ(typed(','), QChar(','));
    EXPECT_EQ(typed('\b'), QChar('\b'));
    EXPECT_TRUE(typed('a').isNull());
    EXPECT_TRUE(typed('.').isNull());
    edit.setText(QStringLiteral("1,5"));
    EXPECT_TRUE(typed(',').isNull());

    // Real key presses go through the same rule.
    edit.clear();
    for (const char* key : {"1", "x", ",", ",", "2"}) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromLatin1(key));
        QApplication::sendEvent(&edit, &press);
    }
    EXPECT_EQ(Text(edit.text()), "1,2");

    edit.SetValue(0);
    EXPECT_EQ(Text(edit.text()), "0");
    edit.SetValue(-12.75);
    EXPECT_EQ(Text(edit.text()), "-12,75");
    EXPECT_DOUBLE_EQ(edit.GetValue(), -12.75);
    edit.setText(QString());
    EXPECT_EQ(edit.GetValue(), 0.0);
    edit.setText(QStringLiteral("-"));
    EXPECT_EQ(edit.GetValue(), 0.0);
}

TEST_F(TablePageTest, DragAndDropMovesCellsAndAsksBeforeOverwriting)
{
    TProject& project = OpenProject();
    PutCell(0, 0, "Kessel (Temperatur)");
    PutCell(1, 1, "Außen (Temperatur)");
    Window->RefreshDisplay();
    TDataTableGrid& grid = *Window->DataTable;

    EXPECT_TRUE(grid.Table_SGMouseDown(CellRect(0, 0).center(), false));
    EXPECT_EQ(DragSourceCol, 0);
    EXPECT_EQ(DragSourceRow, 0);
    EXPECT_FALSE(grid.Table_SGMouseDown(CellRect(1, 1).center(), true));  // the double click's second press
    EXPECT_EQ(DragSourceCol, 0);
    EXPECT_FALSE(grid.Table_SGMouseDown(QPoint(-5, 10), false));
    EXPECT_TRUE(grid.Table_SGMouseDown(CellRect(0, 0).center(), false));

    EXPECT_TRUE(grid.Table_SGDragOver(&grid, CellRect(4, 4).center()));
    EXPECT_FALSE(grid.Table_SGDragOver(Window->Terminal, CellRect(4, 4).center()));
    EXPECT_FALSE(grid.Table_SGDragOver(&grid, QPoint(-5, -5)));

    grid.Table_SGDragDrop(0, 0);  // onto itself
    EXPECT_EQ(Dialogs.Count("ask"), 0);
    EXPECT_FALSE(project.Modified);

    grid.Table_SGDragDrop(3, 2);
    EXPECT_EQ(Dialogs.Count("ask"), 0);
    EXPECT_EQ(Text(grid.CellText(0, 0)), "");
    EXPECT_EQ(Text(grid.CellText(3, 2)), "Kessel: 61,5°C");
    EXPECT_TRUE(project.Modified);

    EXPECT_TRUE(grid.Table_SGMouseDown(CellRect(3, 2).center(), false));
    Dialogs.Answers = {TDialogAnswer::No};
    grid.Table_SGDragDrop(1, 1);
    EXPECT_EQ(Dialogs.Count("ask"), 1);
    EXPECT_EQ(Text(grid.CellText(1, 1)), "Außen: -3,5°C");
    Dialogs.Answers = {TDialogAnswer::Yes};
    grid.Table_SGDragDrop(1, 1);
    EXPECT_EQ(Dialogs.Count("ask"), 2);
    EXPECT_EQ(Text(grid.CellText(1, 1)), "Kessel: 61,5°C");
    EXPECT_EQ(Text(grid.CellText(3, 2)), "");
    EXPECT_EQ(MainView().Table.Count(), 1);
}

TEST_F(TablePageTest, ClipboardOfAnEmptyAndAFilledTable)
{
    OpenProject();
    QAction* copy = Window->MenuEntry(QStringLiteral("Export"), QStringLiteral("Tabelle in Zwischenablage kopieren"));
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(copy->isEnabled());
    EXPECT_EQ(copy->shortcut(), QKeySequence(QStringLiteral("Ctrl+C")));
    copy->trigger();
    std::string expected = "Haus\tHeizung im Keller\n\r" + ProgramTitle + "\t" + WebAddress + "\n\r";
    for (int row = 0; row < 50; ++row)
        expected += std::string(9, '\t') + "\n\r";
    EXPECT_EQ(Clipboard(), expected);

    PutCell(0, 0, "Kessel (Temperatur)");
    PutCell(9, 49, "Brenner (Relais)");
    TDateTime time = 0;
    ASSERT_TRUE(TryStrToDateTime("08.12.2026 10:15:07", time));
    ShowValues(-3.5, 61.5, 1, time);
    copy->trigger();
    const std::string text = Clipboard();
    EXPECT_EQ(text.rfind("Haus\tHeizung im Keller\n\r" + ProgramTitle + "\t" + WebAddress + "08.12.2026 10:15:07\n\r"
                         "Kessel: 61,5°C\t\t",
                         0),
              0u)
        << text;
    const std::string lastRow = std::string(9, '\t') + "Brenner: 1\n\r";
    EXPECT_EQ(text.substr(text.size() - lastRow.size() - 2), "\n\r" + lastRow);

    // The hidden entry copies the selected rectangle.
    QAction* selected =
        Window->MenuEntry(QStringLiteral("Export"), QStringLiteral("Selektierte Tabellenfelder --> Clipboard"));
    ASSERT_NE(selected, nullptr);
    EXPECT_FALSE(selected->isVisible());
    Window->DataTable->setRangeSelected(QTableWidgetSelectionRange(0, 0, 1, 1), true);
    selected->trigger();
    EXPECT_EQ(Clipboard(), "Haus\tHeizung im Keller\n\r" + ProgramTitle + "\t" + WebAddress +
                               "08.12.2026 10:15:07\n\rKessel: 61,5°C\t\n\r\t\n\r");
}

TEST_F(TablePageTest, CtrlCInATextViewWithASelectionCopiesTheSelection)
{
    OpenProject();
    QAction* copy = Window->MenuEntry(QStringLiteral("Export"), QStringLiteral("Tabelle in Zwischenablage kopieren"));
    for (QPlainTextEdit* view : {Window->Terminal, Window->FieldList}) {
        Window->Pages->setCurrentWidget(view == Window->Terminal ? Window->TerminalTab : view);
        view->setPlainText(QStringLiteral("Starte Logging\nKessel=55,5°C; Außen=-2,0°C"));
        Window->activateWindow();
        view->setFocus();
        QApplication::processEvents();
        ASSERT_EQ(QApplication::focusWidget(), view);

        // A selection: that text.
        QTextCursor cursor = view->textCursor();
        cursor.setPosition(15);
        cursor.setPosition(28, QTextCursor::KeepAnchor);
        view->setTextCursor(cursor);
        copy->trigger();
        EXPECT_EQ(Clipboard(), "Kessel=55,5°C");

        // No selection: the table as before.
        cursor.clearSelection();
        view->setTextCursor(cursor);
        copy->trigger();
        EXPECT_EQ(Clipboard().rfind("Haus\tHeizung im Keller\n\r", 0), 0u) << Clipboard();
    }
}

TEST_F(TablePageTest, CopyAndLabelClickWithoutProjectShowTheMessage)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("unverändert"));
    CopyTableToClipboard(*Window, false);
    EXPECT_EQ(Clipboard(), "unverändert");
    EXPECT_EQ(Dialogs.Count("inform"), 1);

    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(Window->NameLabel, &release);
    EXPECT_EQ(Dialogs.Count("inform"), 2);
}

TEST_F(TablePageTest, ClickOnAProjectLabelOpensTheProjectSettings)
{
    OpenProject();
    std::vector<std::string> titles;
    for (QLabel* label : {Window->NameLabel, Window->CommentLabel, Window->DirectoryLabel}) {
        QTimer::singleShot(0, [&titles] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                titles.push_back(Text(modal->windowTitle()));
                modal->close();
            }
        });
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(label, &release);
    }
    EXPECT_EQ(titles, std::vector<std::string>(3, "Projekteinstellungen"));
    EXPECT_EQ(Dialogs.Count("inform"), 0);
}

// The demo project with a record as the simulator sends it: readable cells, limit colours where the
// values left their ranges.
TEST_F(TablePageTest, DemoProjectShowsReadableCellsInTheirColours)
{
    int result = -1;
    std::string error;
    LoadProjectFile(testsupport::SourcePath("data/demo/Demo.p-p").string(), result, error);
    ASSERT_EQ(result, 0) << error;
    auto record = std::make_unique<TDecodedRecord>();
    ASSERT_TRUE(TOrvaProtocol::DecodeRecordText("MD/p100013/v0102/t+003,20/t+066,40/t+044,10/t+036,20/t+047,30"
                                                "/n1234,5/n2345/d0,85/i1001/m12/o1101/xFF/y08.12.26/z14:26:40",
                                                *record));
    Window->ShowRecord(*record);

    const TDataTableGrid& grid = *Window->DataTable;
    EXPECT_EQ(Text(grid.CellText(0, 0)), "Temperaturen");
    EXPECT_EQ(Text(grid.CellText(0, 2)), "Kessel: 66,4°C");
    EXPECT_EQ(Text(grid.CellText(0, 5)), "Warmwasser: 47,3°C");
    EXPECT_EQ(Text(grid.CellText(1, 1)), "Brenner: 1");
    EXPECT_EQ(Text(grid.CellText(2, 1)), "Stunden: 1234,5 h");
    EXPECT_EQ(Text(grid.CellText(2, 2)), "Starts: 2345");
    EXPECT_EQ(MainView().Table.Cell(0, 2)->DisplayColor, CellColorRed);   // above 65
    EXPECT_EQ(MainView().Table.Cell(0, 5)->DisplayColor, CellColorBlue);  // below 48
    EXPECT_EQ(MainView().Table.Cell(0, 1)->DisplayColor, CellColorBlack);

    EditCell(0, 2, [](TCellContentDlg& dialog) {
        EXPECT_EQ(Text(dialog.DataFieldBox->currentText()), "Kessel (Temperatur)");
        EXPECT_EQ(Text(dialog.MinValEdit->text()), "55");
        EXPECT_EQ(Text(dialog.MaxValEdit->text()), "65");
        dialog.CancelBtn->click();
    });
}
