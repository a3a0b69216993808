// What SetPanelValues puts into the main panel and the parameter page.
#include <gtest/gtest.h>

#include "params/parameter_set.h"
#include "platform/tables.h"
#include "tests/support/panels_fixture.h"
#include "ui/panel_handles.h"
#include "ui/panel_values.h"
#include "ui/uir.h"

namespace {

class SetPanelValuesTest : public PanelsTest {
protected:
    int Cell(int column, int row) const
    {
        int v = -1;
        EXPECT_EQ(0, GetTableCellVal(ParamPage, PARP_TEACHTABLE, MakePoint(column, row), &v));
        return v;
    }
};

// A value that names its row and word, so that any misplaced cell shows where it came from.
uint16_t Marker(int row, int word) { return static_cast<uint16_t>(1000 + row * 10 + word); }

}  // namespace

TEST_F(SetPanelValuesTest, ShowsTheFiveParametersOnTheirControls)
{
    Para.Average = 256;
    Para.Power = 500;
    Para.MaxVecNo = 31;
    Para.Gain = 6;
    Para.Integral = 99;
    Para.PowerMode = 1;  // shown nowhere
    SetPanelValues();
    EXPECT_EQ(256, Value(MainPanel, MAINP_AVERAGE));
    EXPECT_EQ(500, Value(ParamPage, PARP_POWER));
    EXPECT_EQ(31, Value(ParamPage, PARP_MAXVECNO));
    EXPECT_EQ(6, Value(ParamPage, PARP_GAIN));
    EXPECT_EQ(99, Value(ParamPage, PARP_INTEGRAL));
}

TEST_F(SetPanelValuesTest, ShowsRowsZeroToThirtyWordsOneToFourInTableRowsOneToThirtyOne)
{
    for (int r = 0; r < kTeachRows; ++r)
        for (int w = 1; w <= kTeachWords; ++w)
            TeachWord(TechVec[r], w) = Marker(r, w);
    SetPanelValues();
    for (int r = 0; r < kShownTeachRows; ++r)
        for (int w = 1; w <= 4; ++w)
            EXPECT_EQ(Marker(r, w), Cell(w, r + 1)) << "row " << r << " word " << w;
    // Column 5 is the row's colour swatch: no word lands there.
    for (int row = 1; row <= 31; ++row)
        EXPECT_EQ(0, Cell(5, row)) << "row " << row;
    // The control has no row for teach row 31 and beyond.
    int v = 0;
    EXPECT_EQ(-1, GetTableCellVal(ParamPage, PARP_TEACHTABLE, MakePoint(1, 32), &v));
}

TEST_F(SetPanelValuesTest, ShowsSixteenBitValuesUnsigned)
{
    Para.Average = 65535;
    Para.Power = 40000;
    TechVec[0].Cell0 = 65535;
    TechVec[30].Cell3 = 32768;
    SetPanelValues();
    EXPECT_EQ(65535, Value(MainPanel, MAINP_AVERAGE));
    EXPECT_EQ(40000, Value(ParamPage, PARP_POWER));
    EXPECT_EQ(65535, Cell(1, 1));
    EXPECT_EQ(32768, Cell(4, 31));
}
