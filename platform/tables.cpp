#include "platform/tables.h"

#include <QTableWidget>

#include "platform/userint.h"
#include "platform/widgets.h"

namespace {

QTableWidget* table(int panel, int control)
{
    return qobject_cast<QTableWidget*>(ControlWidget(panel, control));
}

bool inside(const QTableWidget* t, Point cell)
{
    return cell.x >= 1 && cell.x <= t->columnCount() && cell.y >= 1 && cell.y <= t->rowCount();
}

// The item of a cell, created on first use. Items never carry ItemIsEditable, so no trigger
// and no delegate can open an editor on them.
QTableWidgetItem* cellItem(QTableWidget* t, Point cell)
{
    QTableWidgetItem* item = t->item(cell.y - 1, cell.x - 1);
    if (!item) {
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        t->setItem(cell.y - 1, cell.x - 1, item);
    }
    return item;
}

}  // namespace

Point MakePoint(int x, int y) { return Point{x, y}; }

Rect MakeRect(int top, int left, int height, int width) { return Rect{top, left, height, width}; }

int SetTableCellVal(int panel, int control, Point cell, int value)
{
    QTableWidget* t = table(panel, control);
    if (!t || !inside(t, cell))
        return -1;
    // Stored as a number, shown as its decimal text.
    cellItem(t, cell)->setData(Qt::DisplayRole, value);
    return 0;
}

int GetTableCellVal(int panel, int control, Point cell, int* value)
{
    QTableWidget* t = table(panel, control);
    if (!t || !inside(t, cell) || !value)
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
    QTableWidget* t = table(panel, control);
    if (!t || attribute != ATTR_TEXT_BGCOLOR || range.height < 1 || range.width < 1)
        return -1;
    // Both corners inside (checked without overflow), so the whole block is.
    if (!inside(t, MakePoint(range.left, range.top)) || range.width > t->columnCount() ||
        range.height > t->rowCount() ||
        !inside(t, MakePoint(range.left + range.width - 1, range.top + range.height - 1)))
        return -1;
    const QBrush brush = value == VAL_TRANSPARENT ? QBrush() : QBrush(ColorFromRgb(value));
    for (int row = range.top; row < range.top + range.height; ++row)
        for (int column = range.left; column < range.left + range.width; ++column)
            cellItem(t, MakePoint(column, row))->setBackground(brush);
    return 0;
}

int GetTableCellAttribute(int panel, int control, Point cell, int attribute, int* value)
{
    QTableWidget* t = table(panel, control);
    if (!t || !inside(t, cell) || attribute != ATTR_TEXT_BGCOLOR || !value)
        return -1;
    const QTableWidgetItem* item = t->item(cell.y - 1, cell.x - 1);
    const QBrush brush = item ? item->background() : QBrush();
    *value = brush.style() == Qt::NoBrush ? VAL_TRANSPARENT
                                          : static_cast<int>(brush.color().rgb() & 0xFFFFFF);
    return 0;
}

int SetActiveTableCell(int panel, int control, Point cell)
{
    QTableWidget* t = table(panel, control);
    if (!t || !inside(t, cell))
        return -1;
    t->setCurrentCell(cell.y - 1, cell.x - 1);
    t->scrollToItem(cellItem(t, cell));
    return 0;
}

int HideBuiltInCtrlMenuItem(int panel, int control, int item)
{
    if (!table(panel, control))
        return -1;
    return item == VAL_SORT || item == VAL_GOTO || item == VAL_SEARCH ? 0 : -1;
}
