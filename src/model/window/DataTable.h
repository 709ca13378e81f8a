// The main window's data table as data: 10 columns by 50 rows, each cell owning at most one TDataField.
// Calls with a cell outside the table do nothing and return nothing.
#pragma once

#include "model/window/DataField.h"
#include "model/Namespace.h"

#include <array>
#include <functional>
#include <memory>

namespace dedezuviv::model {

class TDataTable {
public:
    static constexpr int ColCount = 10;
    static constexpr int RowCount = 50;

    TDataTable() = default;
    TDataTable(const TDataTable&) = delete;
    TDataTable& operator=(const TDataTable&) = delete;

    static bool IsValidCell(int col, int row) { return col >= 0 && col < ColCount && row >= 0 && row < RowCount; }

    // The cell's settings, or nullptr for an empty cell or one outside the table.
    TDataField* Cell(int col, int row);
    const TDataField* Cell(int col, int row) const;

    // Puts Field into the cell, freeing what it held. Outside the table Field is freed and false returned.
    bool SetCell(int col, int row, std::unique_ptr<TDataField> field);
    // Takes the settings out of the cell (the cell becomes empty); nullptr when there were none.
    std::unique_ptr<TDataField> TakeCell(int col, int row);
    // Frees the cell's settings.
    void ClearCell(int col, int row);
    void ClearAll();

    // Moves the settings of the source cell to the target cell: the target's previous settings are
    // freed, the source becomes empty (an empty source empties the target). The same cell or a cell
    // outside the table changes nothing; then false is returned.
    bool MoveCell(int fromCol, int fromRow, int toCol, int toRow);

    // Number of occupied cells.
    int Count() const;

    // Visits the occupied cells in column-major order: column 0 rows 0 to 49, then column 1, and so on.
    void ForEachCell(const std::function<void(int col, int row, TDataField& field)>& visit);
    void ForEachCell(const std::function<void(int col, int row, const TDataField& field)>& visit) const;

private:
    std::array<std::array<std::unique_ptr<TDataField>, RowCount>, ColCount> Cells;
};

}  // namespace dedezuviv::model
