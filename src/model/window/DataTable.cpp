#include "model/window/DataTable.h"
#include "model/Namespace.h"

namespace dedezuviv::model {

TDataField* TDataTable::Cell(int col, int row)
{
    return IsValidCell(col, row) ? Cells[col][row].get() : nullptr;
}

const TDataField* TDataTable::Cell(int col, int row) const
{
    return IsValidCell(col, row) ? Cells[col][row].get() : nullptr;
}

bool TDataTable::SetCell(int col, int row, std::unique_ptr<TDataField> field)
{
    if (!IsValidCell(col, row))
        return false;
    Cells[col][row] = std::move(field);
    return true;
}

std::unique_ptr<TDataField> TDataTable::TakeCell(int col, int row)
{
    if (!IsValidCell(col, row))
        return nullptr;
    return std::move(Cells[col][row]);
}

void TDataTable::ClearCell(int col, int row)
{
    if (IsValidCell(col, row))
        Cells[col][row].reset();
}

void TDataTable::ClearAll()
{
    for (auto& column : Cells)
        for (auto& cell : column)
            cell.reset();
}

bool TDataTable::MoveCell(int fromCol, int fromRow, int toCol, int toRow)
{
    if (!IsValidCell(fromCol, fromRow) || !IsValidCell(toCol, toRow))
        return false;
    if (fromCol == toCol && fromRow == toRow)
        return false;
    Cells[toCol][toRow] = std::move(Cells[fromCol][fromRow]);
    Cells[fromCol][fromRow].reset();
    return true;
}

int TDataTable::Count() const
{
    int count = 0;
    for (const auto& column : Cells)
        for (const auto& cell : column)
            if (cell)
                ++count;
    return count;
}

void TDataTable::ForEachCell(const std::function<void(int col, int row, TDataField& field)>& visit)
{
    for (int col = 0; col < ColCount; ++col)
        for (int row = 0; row < RowCount; ++row)
            if (Cells[col][row])
                visit(col, row, *Cells[col][row]);
}

void TDataTable::ForEachCell(const std::function<void(int col, int row, const TDataField& field)>& visit) const
{
    for (int col = 0; col < ColCount; ++col)
        for (int row = 0; row < RowCount; ++row)
            if (Cells[col][row])
                visit(col, row, *Cells[col][row]);
}

}  // namespace dedezuviv::model
