#include "platform/table_edit.h"

#include <QKeySequence>
#include <QPointer>
#include <QShortcut>
#include <QTableWidget>

#include <cstdio>

#include "platform/table_cells.h"
#include "platform/userint.h"
#include "platform/widgets.h"

int SetTableCellValText(int panel, int control, Point cell, const char* text)
{
    QTableWidget* t = TableControl(panel, control);
    if (!t || !InsideTable(t, cell))
        return -1;
    TableCellItem(t, cell)->setText(QString::fromUtf8(text ? text : ""));
    return 0;
}

int GetTableCellValText(int panel, int control, Point cell, char* text, size_t cap)
{
    QTableWidget* t = TableControl(panel, control);
    if (!t || !InsideTable(t, cell) || !text || cap == 0)
        return -1;
    const QTableWidgetItem* item = t->item(cell.y - 1, cell.x - 1);
    QByteArray bytes = item ? item->data(Qt::DisplayRole).toString().toUtf8() : QByteArray();
    // Cut at a character boundary: never inside a UTF-8 sequence.
    qsizetype n = bytes.size() < static_cast<qsizetype>(cap - 1) ? bytes.size() : static_cast<qsizetype>(cap - 1);
    while (n > 0 && n < bytes.size() && (static_cast<unsigned char>(bytes[n]) & 0xC0) == 0x80)
        --n;
    std::snprintf(text, cap, "%.*s", static_cast<int>(n), bytes.constData());
    return 0;
}

int SetTableCellEditable(int panel, int control, Point cell, int editable)
{
    QTableWidget* t = TableControl(panel, control);
    if (!t || !InsideTable(t, cell))
        return -1;
    QTableWidgetItem* item = TableCellItem(t, cell);
    item->setFlags(editable ? item->flags() | Qt::ItemIsEditable : item->flags() & ~Qt::ItemIsEditable);
    return 0;
}

int SetNumTableRows(int panel, int control, int rows)
{
    QTableWidget* t = TableControl(panel, control);
    if (!t || rows < 0)
        return -1;
    t->setRowCount(rows);
    return 0;
}

int GetNumTableRows(int panel, int control, int* rows)
{
    QTableWidget* t = TableControl(panel, control);
    if (!t || !rows)
        return -1;
    *rows = t->rowCount();
    return 0;
}

int SetTableCellToolTip(int panel, int control, Point cell, const char* text)
{
    QTableWidget* t = TableControl(panel, control);
    if (!t || !InsideTable(t, cell))
        return -1;
    TableCellItem(t, cell)->setToolTip(QString::fromUtf8(text ? text : ""));
    return 0;
}

int InstallPanelShortcut(int panel, const char* key,
                         int (*callback)(int panel, int control, int event, void* data, int d1, int d2))
{
    QWidget* w = PanelWidget(panel);
    const QKeySequence sequence(QString::fromUtf8(key ? key : ""));
    if (!w || !callback || sequence.isEmpty())
        return -1;
    auto* shortcut = new QShortcut(sequence, w);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, w,
                     [panel, callback] { callback(panel, 0, EVENT_COMMIT, nullptr, 0, 0); });
    return 0;
}
