// The changes the user makes to the data table: moving a cell onto another and storing the result of
// the cell dialog. Both mark the project modified when the table changes.
#pragma once

#include "model/window/DataTable.h"
#include "model/Namespace.h"

#include <memory>

namespace dedezuviv::model {

class TProject;

inline constexpr const char* OverwriteCellQuestion = "Soll der bestehenden Feldinhalt überschrieben werden?";

// Moves the settings of the source cell onto the target cell. Dropping a cell onto itself, or onto a
// cell outside the table, changes nothing; onto an occupied cell the user is asked first (No changes
// nothing). The target's previous settings are freed, the source becomes empty, and the project is
// marked modified. True when the table changed.
bool DropTableCell(TDataTable& table, TProject* project, int sourceCol, int sourceRow, int targetCol,
                   int targetRow);

// How the cell dialog was closed.
enum class TCellEditResult { Ok, Delete, Cancel };

// Ok puts Edited into the cell, Delete empties the cell (both mark the project modified); Cancel
// leaves the cell as it was.
void ApplyCellEdit(TDataTable& table, TProject& project, int col, int row, TCellEditResult result,
                   std::unique_ptr<TDataField> edited);

}  // namespace dedezuviv::model
