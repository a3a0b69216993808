// The teach table control: cells by column and row from 1, colours, the active cell.
#include <gtest/gtest.h>

#include <QTableWidget>

#include "platform/tables.h"
#include "platform/userint.h"
#include "platform/inspection.h"
#include "tests/support/panels_fixture.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

namespace {

class TableTest : public PanelsTest {
protected:
    int Background(int column, int row) const
    {
        int c = -1;
        EXPECT_EQ(0, GetTableCellAttribute(ParamPage, PARP_TEACHTABLE, MakePoint(column, row),
                                           ATTR_TEXT_BGCOLOR, &c));
        return c;
    }
    QTableWidget* Table() const
    {
        return qobject_cast<QTableWidget*>(ControlWidget(ParamPage, PARP_TEACHTABLE));
    }
};

}  // namespace

TEST_F(TableTest, PointAndRectKeepTheRunTimesArgumentOrder)
{
    const Point p = MakePoint(3, 7);
    EXPECT_EQ(3, p.x);
    EXPECT_EQ(7, p.y);
    const Rect r = MakeRect(1, 2, 31, 4);
    EXPECT_EQ(1, r.top);
    EXPECT_EQ(2, r.left);
    EXPECT_EQ(31, r.height);
    EXPECT_EQ(4, r.width);
}

TEST_F(TableTest, CellValueLandsInColumnXRowY)
{
    ASSERT_EQ(0, SetTableCellVal(ParamPage, PARP_TEACHTABLE, MakePoint(2, 5), 1234));
    ASSERT_NE(nullptr, Table()->item(4, 1));
    EXPECT_EQ("1234", Table()->item(4, 1)->text());
}

TEST_F(TableTest, OperatorCannotEditACell)
{
    SetTableCellVal(ParamPage, PARP_TEACHTABLE, MakePoint(1, 1), 7);
    SetTableCellAttribute(ParamPage, PARP_TEACHTABLE, MakePoint(5, 1), ATTR_TEXT_BGCOLOR, 0xFF0000);
    EXPECT_FALSE(Table()->item(0, 0)->flags() & Qt::ItemIsEditable);
    EXPECT_FALSE(Table()->item(0, 4)->flags() & Qt::ItemIsEditable);
    Table()->editItem(Table()->item(0, 0));
    EXPECT_EQ(nullptr, Table()->indexWidget(Table()->model()->index(0, 0)));
}

TEST_F(TableTest, CellsOutsideTheTableAreRefusedAndChangeNothing)
{
    for (Point p : {MakePoint(0, 1), MakePoint(1, 0), MakePoint(6, 1), MakePoint(1, 32)})
        EXPECT_EQ(-1, SetTableCellVal(ParamPage, PARP_TEACHTABLE, p, 1));
    // A block that runs past the last row colours nothing at all.
    EXPECT_EQ(-1, SetTableCellRangeAttribute(ParamPage, PARP_TEACHTABLE, MakeRect(30, 1, 3, 4),
                                             ATTR_TEXT_BGCOLOR, 0x00FFFF));
    EXPECT_EQ(-1, SetTableCellRangeAttribute(ParamPage, PARP_TEACHTABLE,
                                             MakeRect(1, 1, 0x7FFFFFFF, 0x7FFFFFFF),
                                             ATTR_TEXT_BGCOLOR, 0x00FFFF));
    EXPECT_EQ(VAL_TRANSPARENT, Background(1, 30));
    EXPECT_EQ(-1, SetTableCellVal(ParamPage, PARP_POWER, MakePoint(1, 1), 1));  // not a table
}

TEST_F(TableTest, RowColoursAndTheGreyBlockReadBack)
{
    // The start-up colouring: a palette swatch in column 5, grey over the values.
    const int palette[15] = {0xFF0000, 0x80FF00, 0x0000FF, 0x000000, 0xFF80C0,
                             0xFFFF00, 0x808000, 0x800080, 0x80FFFF, 0xFF0080,
                             0x400080, 0xFF00FF, 0x008000, 0x408080, 0x800000};
    for (int row = 1; row <= 31; ++row)
        ASSERT_EQ(0, SetTableCellAttribute(ParamPage, PARP_TEACHTABLE, MakePoint(5, row),
                                           ATTR_TEXT_BGCOLOR, palette[(row - 1) % 15]));
    ASSERT_EQ(0, SetTableCellRangeAttribute(ParamPage, PARP_TEACHTABLE, MakeRect(1, 1, 31, 4),
                                            ATTR_TEXT_BGCOLOR, 0xC0C0C0));
    for (int row = 1; row <= 31; ++row) {
        EXPECT_EQ(palette[(row - 1) % 15], Background(5, row)) << row;
        for (int column = 1; column <= 4; ++column)
            EXPECT_EQ(0xC0C0C0, Background(column, row)) << column << "," << row;
    }
    // Teaching one row: cyan over exactly its four values.
    SetTableCellRangeAttribute(ParamPage, PARP_TEACHTABLE, MakeRect(8, 1, 1, 4), ATTR_TEXT_BGCOLOR,
                               0x00FFFF);
    EXPECT_EQ(0x00FFFF, Background(1, 8));
    EXPECT_EQ(0x00FFFF, Background(4, 8));
    EXPECT_EQ(0xC0C0C0, Background(1, 7));
    EXPECT_EQ(0xC0C0C0, Background(1, 9));
    EXPECT_EQ(palette[7], Background(5, 8));
}

TEST_F(TableTest, ActiveCellBecomesCurrent)
{
    ASSERT_EQ(0, SetActiveTableCell(ParamPage, PARP_TEACHTABLE, MakePoint(1, 31)));
    EXPECT_EQ(30, Table()->currentRow());
    EXPECT_EQ(0, Table()->currentColumn());
    EXPECT_EQ(-1, SetActiveTableCell(ParamPage, PARP_TEACHTABLE, MakePoint(1, 32)));
    EXPECT_EQ(30, Table()->currentRow());
}

TEST_F(TableTest, HidingBuiltInMenuItemsIsAcceptedForTheThreeItems)
{
    for (int item : {VAL_SORT, VAL_GOTO, VAL_SEARCH})
        EXPECT_EQ(0, HideBuiltInCtrlMenuItem(ParamPage, PARP_TEACHTABLE, item));
    EXPECT_EQ(-1, HideBuiltInCtrlMenuItem(ParamPage, PARP_TEACHTABLE, 99));
    EXPECT_EQ(-1, HideBuiltInCtrlMenuItem(ParamPage, PARP_POWER, VAL_SORT));
}
