// Table cells the operator may edit, and cells that show text. An edited cell reports its entry
// to the table's callback as EVENT_COMMIT with eventData1 the row and eventData2 the column
// (both from 1); the callback reads the entry with GetTableCellValText and may put another
// value in its place. A double click (or Enter) on a cell that takes no entry reports
// EVENT_LEFT_DOUBLE_CLICK with the same data. Programmatic changes call no callback. Cells are
// counted from 1, as in platform/tables.h; every operation returns 0, or -1 when the control
// is not a table or the cell lies outside it.
#pragma once

#include <cstddef>

#include "platform/tables.h"

int SetTableCellValText(int panel, int control, Point cell, const char* text);
// Copies the cell's text, cut to cap - 1 bytes, terminated.
int GetTableCellValText(int panel, int control, Point cell, char* text, size_t cap);
// 1: the operator may edit the cell; 0: it only displays (every cell's start).
int SetTableCellEditable(int panel, int control, Point cell, int editable);
// Sets the number of rows; new rows are empty, rows beyond the number are removed.
int SetNumTableRows(int panel, int control, int rows);
int GetNumTableRows(int panel, int control, int* rows);
// The cell's tooltip (ATTR_TOOLTIP_TEXT of one cell).
int SetTableCellToolTip(int panel, int control, Point cell, const char* text);

// A key that calls callback (panel, 0, EVENT_COMMIT, ...) whenever its panel's window is
// active, e.g. "F8". Returns 0, or -1 for an unknown panel or key text.
int InstallPanelShortcut(int panel, const char* key,
                         int (*callback)(int panel, int control, int event, void* data, int d1,
                                         int d2));
