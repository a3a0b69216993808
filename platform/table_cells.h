// Inside the platform layer only: the cells of a table control, shared by tables.cpp (values,
// colours) and table_edit.cpp (text, editing, tooltips).
#pragma once

#include <QTableWidget>

#include "platform/inspection.h"
#include "platform/tables.h"

// The table widget behind a control, or null when the control is no table.
inline QTableWidget* TableControl(int panel, int control)
{
    return qobject_cast<QTableWidget*>(ControlWidget(panel, control));
}

// Whether a cell (1-based column x, row y) lies within the table.
inline bool InsideTable(const QTableWidget* t, Point cell)
{
    return cell.x >= 1 && cell.x <= t->columnCount() && cell.y >= 1 && cell.y <= t->rowCount();
}

// The item of a cell, created on first use. New items never carry ItemIsEditable, so no
// trigger and no delegate can open an editor on them until SetTableCellEditable allows it.
// A new item takes the given alignment; without one it keeps the view's default.
inline QTableWidgetItem* TableCellItem(QTableWidget* t, Point cell, Qt::Alignment alignment = {})
{
    QTableWidgetItem* item = t->item(cell.y - 1, cell.x - 1);
    if (!item) {
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        if (alignment)
            item->setTextAlignment(alignment);
        t->setItem(cell.y - 1, cell.x - 1, item);
    }
    return item;
}
