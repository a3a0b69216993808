// Table controls: cells addressed by column and row, both counted from 1, as the run-time
// counts them. Every operation returns 0, or -1 when the control is not a table, a cell lies
// outside it or the attribute does not apply; nothing is changed on failure.
#pragma once

// A cell: x is the column, y the row.
struct Point {
    int x;
    int y;
};
// A block of cells: top row, left column, and how many rows and columns it covers.
struct Rect {
    int top;
    int left;
    int height;
    int width;
};

Point MakePoint(int x, int y);
Rect MakeRect(int top, int left, int height, int width);

// Shows an integer in a cell. Cells only display: the operator cannot edit them.
int SetTableCellVal(int panel, int control, Point cell, int value);
// Reads back the integer a cell shows (0 for a cell never set).
int GetTableCellVal(int panel, int control, Point cell, int* value);

// ATTR_TEXT_BGCOLOR (0xRRGGBB) of one cell or of every cell of a block.
int SetTableCellAttribute(int panel, int control, Point cell, int attribute, int value);
int SetTableCellRangeAttribute(int panel, int control, Rect range, int attribute, int value);
int GetTableCellAttribute(int panel, int control, Point cell, int attribute, int* value);

// Makes a cell the current one and scrolls it into view.
int SetActiveTableCell(int panel, int control, Point cell);
// The current cell; -1 when there is none.
int GetActiveTableCell(int panel, int control, Point* cell);

// ATTR_VISIBLE of a whole row (1 shown, 0 hidden); the only row attribute there is.
int SetTableRowAttribute(int panel, int control, int row, int attribute, int value);
int GetTableRowAttribute(int panel, int control, int row, int attribute, int* value);

// Built-in context-menu items of a table.
enum BuiltInMenuItem : int {
    VAL_SORT = 1,
    VAL_GOTO = 2,
    VAL_SEARCH = 3,
};
// Hides one built-in context-menu item. The tables here have no built-in menu, so there is
// nothing to hide: returns 0 for the three items above, -1 for anything else or a control
// that is not a table.
int HideBuiltInCtrlMenuItem(int panel, int control, int item);
