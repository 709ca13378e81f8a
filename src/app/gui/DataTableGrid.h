// The grid of the page "Tabelle": 10 columns by 50 rows bound to the data table's cells. It shows the
// texts of the last refresh, paints occupied cells in their colour and font, moves cells by drag and
// drop, and lets the user resize rows and columns by dragging the grid lines.
#pragma once

#include "protocol/RecordDecoder.h"
#include "app/gui/Namespace.h"

#include <QTableWidget>

class QPainter;

namespace dedezuviv::model {
class TDataField;
class TProject;
struct TProjectView;
}  // namespace dedezuviv::model

namespace dedezuviv::gui {

// The cell where the last drag began (-1 when the press was outside the cells).
extern int DragSourceCol;
extern int DragSourceRow;

class TDataTableGrid : public QTableWidget {
    Q_OBJECT
public:
    static constexpr int DefaultColumnWidth = 150;
    // A press this close to a grid line resizes instead of dragging.
    static constexpr int LineGrip = 3;

    TDataTableGrid(TProjectView& view, QWidget* parent);

    // Every cell's text cleared, then each occupied cell's text and DisplayColor computed for the
    // record; the standard font and the grid lines as the project says. Without a project the grid
    // stays empty.
    void Refresh(const TProject* project, const TDecodedRecord& record);

    // Paints an occupied cell over the default painting: white ground, the cell's colour and font
    // style, the text from 2 pixels right of and below the top-left corner, clipped to the cell.
    void DataTableDrawCell(QPainter& painter, int col, int row, const QRect& rect) const;
    // The font of an occupied cell: the standard font, bold and italic as the cell says.
    static QFont CellFont(const TDataField& field);

    // A press on a cell records the drag source; true when a drag of the cell begins (not on the second
    // click of a double click, not outside the cells).
    bool Table_SGMouseDown(const QPoint& pos, bool secondClick);
    // A drop is accepted only from the grid itself and over a cell.
    bool Table_SGDragOver(const QObject* source, const QPoint& pos) const;
    // Moves the drag source onto the cell (asking before overwriting), then refreshes the display.
    void Table_SGDragDrop(int targetCol, int targetRow);

    // The text of the cell as last shown (empty for an empty cell).
    QString CellText(int col, int row) const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BeginDrag();
    // The grid line near Pos: a column's right edge or a row's bottom edge.
    bool LineAt(const QPoint& pos, Qt::Orientation& orientation, int& section) const;

    TProjectView& View;
    bool Resizing = false;
    Qt::Orientation ResizeOrientation = Qt::Horizontal;
    int ResizeSection = -1;
};

}  // namespace dedezuviv::gui
