#include "platform/tables.h"

#include <QTableWidget>

#include "platform/table_cells.h"
#include "platform/userint.h"
#include "platform/widgets.h"

namespace {

// Numbers stand right-aligned in their cells.
constexpr Qt::Alignment kNumberAlignment = Qt::AlignRight | Qt::AlignVCenter;

}  // namespace

Point MakePoint(int x, int y) { return Point{x, y}; }

Rect MakeRect(int top, int left, int height, int width) { return Rect{top, left, height, width}; }

int SetTableCellVal(int panel, int control, Point cell, int value)
{
    QTableWidget* t = TableControl(panel, control);
    if (!t || !InsideTable(t, cell))
        return -1;
    // Stored as a number, shown as its decimal text.
    TableCellItem(t, cell, kNumberAlignment)->setData(Qt::DisplayRole, value);
    return 0;
}

int GetTableCellVal(int panel, int control, Point cell, int* value)
{
    QTableWidget* t = TableControl(panel, control);
    if (!t || !InsideTable(t, cell) || !value)
        return -1;
    const QTableWidgetItem* item = t->item(cell.y - 1, cell.x - 1);
    *value = item ? item->data(Qt::DisplayRole).toInt() : 0;
    return 0;
}

int SetTableCellAttribute(int panel, int control, Point cell, int attribute, int value)
{
    return SetTableCellRangeAttribute(panel, control, MakeRect(cell.y, cell.x, 1, 1), attribute,
                                      value);
}

int SetTableCellRangeAttribute(int panel, int control, Rect range, int attribute, int value)
{
    QTableWidget* t = TableControl(panel, control);
    if (!t || attribute != ATTR_TEXT_BGCOLOR || range.height < 1 || range.width < 1)
        return -1;
    // Both corners inside (checked without overflow), so the whole block is.
    if (!InsideTable(t, MakePoint(range.left, range.top)) || range.width > t->columnCount() ||
        range.height > t->rowCount() ||
        !InsideTable(t, MakePoint(range.left + range.width - 1, range.top + range.height - 1)))
        return -1;
    const QBrush brush = value == VAL_TRANSPARENT ? QBrush() : QBrush(ColorFromRgb(value));
    for (int row = range.top; row < range.top + range.height; ++row)
        for (int column = range.left; column < range.left + range.width; ++column)
            TableCellItem(t, MakePoint(column, row), kNumberAlignment)->setBackground(brush);
    return 0;
}

int GetTableCellAttribute(int panel, int control, Point cell, int attribute, int* value)
{
    QTableWidget* t = TableControl(panel, control);
    if (!t || !InsideTable(t, cell) || attribute != ATTR_TEXT_BGCOLOR || !value)
        return -1;
    const QTableWidgetItem* item = t->item(cell.y - 1, cell.x - 1);
    const QBrush brush = item ? item->background() : QBrush();
    *value = brush.style() == Qt::NoBrush ? VAL_TRANSPARENT
                                          : static_cast<int>(brush.color().rgb() & 0xFFFFFF);
    return 0;
}

int SetActiveTableCell(int panel, int control, Point cell)
{
    QTableWidget* t = TableControl(panel, control);
    if (!t || !InsideTable(t, cell))
        return -1;
    t->setCurrentCell(cell.y - 1, cell.x - 1);
    t->scrollToItem(TableCellItem(t, cell, kNumberAlignment));
    return 0;
}

int GetActiveTableCell(int panel, int control, Point* cell)
{
    QTableWidget* t = TableControl(panel, control);
    if (!t || !cell || !t->currentIndex().isValid())
        return -1;
    *cell = MakePoint(t->currentColumn() + 1, t->currentRow() + 1);
    return 0;
}

int SetTableRowAttribute(int panel, int control, int row, int attribute, int value)
{
    QTableWidget* t = TableControl(panel, control);
    if (!t || attribute != ATTR_VISIBLE || row < 1 || row > t->rowCount())
        return -1;
    t->setRowHidden(row - 1, value == 0);
    return 0;
}

int GetTableRowAttribute(int panel, int control, int row, int attribute, int* value)
{
    QTableWidget* t = TableControl(panel, control);
    if (!t || !value || attribute != ATTR_VISIBLE || row < 1 || row > t->rowCount())
        return -1;
    *value = t->isRowHidden(row - 1) ? 0 : 1;
    return 0;
}

int HideBuiltInCtrlMenuItem(int panel, int control, int item)
{
    if (!TableControl(panel, control))
        return -1;
    return item == VAL_SORT || item == VAL_GOTO || item == VAL_SEARCH ? 0 : -1;
}
