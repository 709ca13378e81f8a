#include "app/gui/DataTableGrid.h"

#include "app/gui/StandardFont.h"
#include "model/LiveState.h"
#include "model/ProjectFile.h"
#include "model/window/TableCells.h"
#include "model/window/TableEditing.h"
#include "app/gui/Namespace.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTimer>

#include <algorithm>
#include <cstdlib>

namespace dedezuviv::gui {

int DragSourceCol = -1;
int DragSourceRow = -1;

namespace {

const QString CellMimeType = QStringLiteral("application/x-dedezuviv-table-cell");

// Lets the grid paint its occupied cells after the default painting of each cell.
class TCellPainter : public QStyledItemDelegate {
public:
    explicit TCellPainter(TDataTableGrid* grid) : QStyledItemDelegate(grid), Grid(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        Grid->DataTableDrawCell(*painter, index.column(), index.row(), option.rect);
    }

private:
    TDataTableGrid* Grid;
};

}  // namespace

TDataTableGrid::TDataTableGrid(TProjectView& view, QWidget* parent)
    : QTableWidget(TDataTable::RowCount, TDataTable::ColCount, parent), View(view)
{
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setDefaultSectionSize(DefaultColumnWidth);
    horizontalHeader()->setMinimumSectionSize(4);
    verticalHeader()->setMinimumSectionSize(4);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The selected rectangle is what "Selektierte Tabellenfelder --> Clipboard" copies.
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setToolTip(QStringLiteral("Doppelklicken: Editieren des Feldes; Drag & Drop: Felder verschieben"));
    setItemDelegate(new TCellPainter(this));
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    viewport()->setMouseTracking(true);
    for (int row = 0; row < TDataTable::RowCount; ++row)
        for (int col = 0; col < TDataTable::ColCount; ++col) {
            auto* item = new QTableWidgetItem;
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            setItem(row, col, item);
        }
}

void TDataTableGrid::Refresh(const TProject* project, const TDecodedRecord& record)
{
    for (int row = 0; row < TDataTable::RowCount; ++row)
        for (int col = 0; col < TDataTable::ColCount; ++col)
            if (QTableWidgetItem* cell = item(row, col); cell && !cell->text().isEmpty())
                cell->setText(QString());
    if (!project) {
        viewport()->update();
        return;
    }
    setFont(StandardFont().Font);
    setShowGrid(project->ShowTableGrid);
    View.Table.ForEachCell([&](int col, int row, TDataField& field) {
        const QString text = QString::fromStdString(CellDisplayText(field, project, record));
        if (QTableWidgetItem* cell = item(row, col))
            cell->setText(text);
    });
    // A colour may change while the text stays the same.
    viewport()->update();
}

QFont TDataTableGrid::CellFont(const TDataField& field)
{
    QFont font = StandardFont().Font;
    font.setBold(field.BoldFont);
    font.setItalic(field.ItalicFont);
    return font;
}

void TDataTableGrid::DataTableDrawCell(QPainter& painter, int col, int row, const QRect& rect) const
{
    const TDataField* field = View.Table.Cell(col, row);
    if (field == nullptr)
        return;
    painter.save();
    painter.setClipRect(rect);
    painter.fillRect(rect, Qt::white);
    painter.setPen(ColorFromValue(field->DisplayColor));
    painter.setFont(CellFont(*field));
    painter.drawText(rect.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, CellText(col, row));
    painter.restore();
}

QString TDataTableGrid::CellText(int col, int row) const
{
    const QTableWidgetItem* cell = item(row, col);
    return cell ? cell->text() : QString();
}

bool TDataTableGrid::Table_SGMouseDown(const QPoint& pos, bool secondClick)
{
    if (secondClick)
        return false;
    DragSourceCol = columnAt(pos.x());
    DragSourceRow = rowAt(pos.y());
    return DragSourceCol >= 0 && DragSourceRow >= 0;
}

bool TDataTableGrid::Table_SGDragOver(const QObject* source, const QPoint& pos) const
{
    return source == this && columnAt(pos.x()) >= 0 && rowAt(pos.y()) >= 0;
}

void TDataTableGrid::Table_SGDragDrop(int targetCol, int targetRow)
{
    DropTableCell(View.Table, CurrentProject(), DragSourceCol, DragSourceRow, targetCol, targetRow);
    if (View.Window)
        View.Window->RefreshDisplay();
}

bool TDataTableGrid::LineAt(const QPoint& pos, Qt::Orientation& orientation, int& section) const
{
    const int col = columnAt(pos.x());
    if (col >= 0) {
        const int right = columnViewportPosition(col) + columnWidth(col);
        const int left = columnViewportPosition(col);
        if (std::abs(pos.x() - right) <= LineGrip) {
            orientation = Qt::Horizontal;
            section = col;
            return true;
        }
        if (col > 0 && std::abs(pos.x() - left) <= LineGrip) {
            orientation = Qt::Horizontal;
            section = col - 1;
            return true;
        }
    }
    const int row = rowAt(pos.y());
    if (row >= 0) {
        const int bottom = rowViewportPosition(row) + rowHeight(row);
        const int top = rowViewportPosition(row);
        if (std::abs(pos.y() - bottom) <= LineGrip) {
            orientation = Qt::Vertical;
            section = row;
            return true;
        }
        if (row > 0 && std::abs(pos.y() - top) <= LineGrip) {
            orientation = Qt::Vertical;
            section = row - 1;
            return true;
        }
    }
    return false;
}

void TDataTableGrid::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton && LineAt(pos, ResizeOrientation, ResizeSection)) {
        Resizing = true;
        event->accept();
        return;
    }
    // The default handling makes the pressed cell the current one (the double click edits it).
    QTableWidget::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && Table_SGMouseDown(pos, false))
        BeginDrag();
}

void TDataTableGrid::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (Resizing) {
        if (ResizeOrientation == Qt::Horizontal)
            setColumnWidth(ResizeSection, std::max(4, pos.x() - columnViewportPosition(ResizeSection)));
        else
            setRowHeight(ResizeSection, std::max(4, pos.y() - rowViewportPosition(ResizeSection)));
        return;
    }
    Qt::Orientation orientation;
    int section = 0;
    if (LineAt(pos, orientation, section))
        viewport()->setCursor(orientation == Qt::Horizontal ? Qt::SplitHCursor : Qt::SplitVCursor);
    else
        viewport()->unsetCursor();
    QTableWidget::mouseMoveEvent(event);
}

void TDataTableGrid::mouseReleaseEvent(QMouseEvent* event)
{
    if (Resizing) {
        Resizing = false;
        return;
    }
    QTableWidget::mouseReleaseEvent(event);
}

void TDataTableGrid::BeginDrag()
{
    auto* drag = new QDrag(this);
    auto* data = new QMimeData;
    data->setData(CellMimeType, QByteArray::number(DragSourceCol) + ',' + QByteArray::number(DragSourceRow));
    drag->setMimeData(data);
    const QRect cell = visualRect(model()->index(DragSourceRow, DragSourceCol));
    if (View.Table.Cell(DragSourceCol, DragSourceRow) != nullptr && cell.isValid())
        drag->setPixmap(viewport()->grab(cell));
    drag->exec(Qt::MoveAction);
}

void TDataTableGrid::dragEnterEvent(QDragEnterEvent* event)
{
    if (Table_SGDragOver(event->source(), event->position().toPoint()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TDataTableGrid::dragMoveEvent(QDragMoveEvent* event)
{
    if (Table_SGDragOver(event->source(), event->position().toPoint()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TDataTableGrid::dropEvent(QDropEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (!Table_SGDragOver(event->source(), pos)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    const int col = columnAt(pos.x());
    const int row = rowAt(pos.y());
    // The question about overwriting comes after the drag has ended, not inside it.
    QTimer::singleShot(0, this, [this, col, row] { Table_SGDragDrop(col, row); });
}

}  // namespace dedezuviv::gui
