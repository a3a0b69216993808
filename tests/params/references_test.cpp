// A pinned reference survives as the file a user can read, replaces the earlier pin only when
// whole, and tells a damaged reference apart from none.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <string>

#include "params/references.h"

namespace {

Configuration Distinct(uint16_t base)
{
    Configuration c;
    c.para.Power = static_cast<uint16_t>(base);
    c.para.Gain = 3;
    c.para.Average = 16;
    c.para.MaxVecNo = 4;
    c.para.Integral = 2;
    for (int row = 0; row < kTeachRows; ++row)
        c.rows[static_cast<size_t>(row)].Cell0 = static_cast<uint16_t>(base + row);
    return c;
}

}  // namespace

TEST(References, PinnedPerSerialReplacedWholeAndDriftNamesTheValues)
{
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString() + "/";
    Configuration loaded;
    SensorIdentity who;
    EXPECT_EQ(0, LoadReference(folder, 4711, &loaded, &who));
    EXPECT_EQ(-1, PinReference(folder, Distinct(1), SensorIdentity{"FW", -1}));

    ASSERT_EQ(0, PinReference(folder, Distinct(100), SensorIdentity{"CX5 V1.2", 4711}));
    ASSERT_EQ(0, PinReference(folder, Distinct(200), SensorIdentity{"CX5 V1.2", 4712}));
    ASSERT_EQ(0, PinReference(folder, Distinct(300), SensorIdentity{"CX5 V1.3", 4711}));
    ASSERT_EQ(1, LoadReference(folder, 4711, &loaded, &who));
    EXPECT_EQ(4711, who.serial);
    EXPECT_EQ("CX5 V1.3", who.firmware);
    EXPECT_TRUE(DriftFromReference(loaded, Distinct(300)).empty());

    Configuration sensor = Distinct(300);
    sensor.para.Gain = 5;
    sensor.rows[2].Cell0 = 9;
    sensor.rows[40].Cell0 = 9;  // beyond what a sensor holds
    sensor.rows[3].Reserved = 1;   // a word no parameter file keeps
    const auto drift = DriftFromReference(loaded, sensor);
    ASSERT_EQ(2u, drift.size());
    EXPECT_EQ("GAIN", drift[0].name);
    EXPECT_EQ(3, drift[0].left);
    EXPECT_EQ(5, drift[0].right);
    EXPECT_EQ(302, drift[1].left);

    // A damaged reference is reported as such, never taken for defaults.
    std::ofstream(ReferencePath(folder, 4712), std::ios::trunc) << "not a parameter file\n";
    EXPECT_LT(LoadReference(folder, 4712, &loaded, &who), 0);
}
