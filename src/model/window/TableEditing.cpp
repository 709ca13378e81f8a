#include "model/window/TableEditing.h"

#include "model/Project.h"
#include "model/UiInterfaces.h"
#include "model/Namespace.h"

namespace dedezuviv::model {

bool DropTableCell(TDataTable& table, TProject* project, int sourceCol, int sourceRow, int targetCol,
                   int targetRow)
{
    if (sourceCol == targetCol && sourceRow == targetRow)
        return false;
    if (!TDataTable::IsValidCell(sourceCol, sourceRow) || !TDataTable::IsValidCell(targetCol, targetRow))
        return false;
    if (table.Cell(targetCol, targetRow) != nullptr && AskUser(OverwriteCellQuestion) != TDialogAnswer::Yes)
        return false;
    table.MoveCell(sourceCol, sourceRow, targetCol, targetRow);
    if (project)
        project->SetModified(true);
    return true;
}

void ApplyCellEdit(TDataTable& table, TProject& project, int col, int row, TCellEditResult result,
                   std::unique_ptr<TDataField> edited)
{
    switch (result) {
    case TCellEditResult::Ok:
        if (edited && table.SetCell(col, row, std::move(edited)))
            project.SetModified(true);
        break;
    case TCellEditResult::Delete:
        if (TDataTable::IsValidCell(col, row)) {
            table.ClearCell(col, row);
            project.SetModified(true);
        }
        break;
    case TCellEditResult::Cancel:
        break;
    }
}

}  // namespace dedezuviv::model
