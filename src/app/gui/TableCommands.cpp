#include "app/gui/TableCommands.h"

#include "app/gui/CellContentDlg.h"
#include "app/gui/CommandHost.h"
#include "app/gui/DataTableGrid.h"
#include "app/gui/ProjectCommands.h"
#include "app/gui/TextSelectionCopy.h"
#include "app/gui/WindowDialog.h"
#include "model/LiveState.h"
#include "model/Project.h"
#include "model/ProjectFile.h"
#include "model/window/TableClipboard.h"
#include "model/window/TableEditing.h"
#include "app/gui/Namespace.h"

#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>

#include <memory>

namespace dedezuviv::gui {

namespace {

// Turns a click on one of the project labels into NameLabelClick (the project settings).
class TLabelClicks : public QObject {
public:
    explicit TLabelClicks(ICommandHost& host) : QObject(&host.DialogParent()), Host(host) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonRelease)
            NameLabelClick(Host);
        return QObject::eventFilter(watched, event);
    }

private:
    ICommandHost& Host;
};

// The rows of the copied range with the texts the grid shows.
TTableTextRows RangeTexts(const TDataTableGrid& grid, int left, int top, int right, int bottom)
{
    TTableTextRows rows;
    for (int row = top; row <= bottom; ++row) {
        std::vector<std::string> texts;
        for (int col = left; col <= right; ++col)
            texts.push_back(grid.CellText(col, row).toStdString());
        rows.push_back(std::move(texts));
    }
    return rows;
}

}  // namespace

TCellContentDlg& CellContentDlg(ICommandHost& host) { return WindowDialog<TCellContentDlg>(host.DialogParent()); }

void EditDataField(ICommandHost& host)
{
    if (host.NoActProject())
        return;
    const int col = host.TableGrid().currentColumn();
    const int row = host.TableGrid().currentRow();
    if (!TDataTable::IsValidCell(col, row))
        return;
    TDataTable& table = MainView().Table;
    // The dialog works on a copy: "Abbrechen" leaves the cell as it was.
    auto edited = std::make_unique<TDataField>();
    if (const TDataField* cell = table.Cell(col, row))
        *edited = *cell;

    TCellContentDlg& dialog = CellContentDlg(host);
    dialog.LoadData(*edited);
    const int answer = dialog.exec();
    TCellEditResult result = TCellEditResult::Cancel;
    if (answer == QDialog::Accepted) {
        dialog.SaveData(*edited);
        result = TCellEditResult::Ok;
    } else if (answer == TCellContentDlg::DeleteResult) {
        result = TCellEditResult::Delete;
    }
    // The project may have been closed while the dialog was open.
    if (TProject* project = CurrentProject())
        ApplyCellEdit(table, *project, col, row, result, std::move(edited));
    host.RefreshDisplay();
}

void CopyTableToClipboard(ICommandHost& host, bool selectionOnly)
{
    // The first line holds the project's name and comment.
    if (host.NoActProject())
        return;
    const TDataTableGrid& grid = host.TableGrid();
    int left = 0;
    int top = 0;
    int right = TDataTable::ColCount - 1;
    int bottom = TDataTable::RowCount - 1;
    if (selectionOnly) {
        const QList<QTableWidgetSelectionRange> ranges = grid.selectedRanges();
        if (!ranges.isEmpty()) {
            left = ranges.first().leftColumn();
            top = ranges.first().topRow();
            right = ranges.first().rightColumn();
            bottom = ranges.first().bottomRow();
        } else {
            // Without a selection the current cell is the selected rectangle.
            left = right = std::max(0, grid.currentColumn());
            top = bottom = std::max(0, grid.currentRow());
        }
    }
    const TProject& project = *CurrentProject();
    const std::string text = TableClipboardText(project.GetName(), project.GetComment(), CurrentRecord().Header.RT,
                                                RangeTexts(grid, left, top, right, bottom));
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

void CopyTableToClipboardClick(ICommandHost& host) { CopyTableToClipboard(host, false); }

void CopySelectedTabFieldsToClipbrdClick(ICommandHost& host) { CopyTableToClipboard(host, true); }

void InstallTableCommands(ICommandHost& host)
{
    QObject::connect(&host.TableGrid(), &QTableWidget::cellDoubleClicked, &host.TableGrid(),
                     [&host](int, int) { EditDataField(host); });
    auto* clicks = new TLabelClicks(host);
    for (QLabel* label : host.ProjectLabels()) {
        label->installEventFilter(clicks);
        label->setCursor(Qt::PointingHandCursor);
    }
    const QString exportMenu = QStringLiteral("Export");
    host.AddMenuRows({
        {exportMenu, QStringLiteral("Tabelle in Zwischenablage kopieren"), QKeySequence(Qt::CTRL | Qt::Key_C),
         [&host] {
             if (!CopyFocusedTextSelection())
                 CopyTableToClipboardClick(host);
         }},
        {exportMenu, QStringLiteral("Selektierte Tabellenfelder --> Clipboard"), {},
         [&host] { CopySelectedTabFieldsToClipbrdClick(host); }},
    });
}

}  // namespace dedezuviv::gui
