// Serial port numbers: every kind of device the system names has one, and an adapter under
// /dev/serial/by-id keeps its number whichever other adapters come and go.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/rs232.h"

TEST(ComPortNumbers, EachDeviceKindHasItsRange)
{
    const std::pair<int, const char*> table[] = {
        {1, "/dev/ttyS0"},        {64, "/dev/ttyS63"},      {65, "/dev/ttyUSB0"},
        {129, "/dev/ttyACM0"},    {192, "/dev/ttyACM63"},   {193, "/dev/ttyAMA0"},
        {208, "/dev/ttyAMA15"},   {209, "/dev/rfcomm0"},    {224, "/dev/rfcomm15"},
        {241, "/tmp/chromix5-com241"}, {255, "/tmp/chromix5-com255"},
    };
    for (const auto& [port, device] : table)
        EXPECT_EQ(device, ComPortDevice(port)) << port;
    EXPECT_EQ("", ComPortDevice(0));
    EXPECT_EQ("", ComPortDevice(256));
}

TEST(ComPortNumbers, ByIdAdaptersKeepTheirNumbersAsOthersComeAndGo)
{
    const std::string ftdi = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    const std::string prolific = "usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0";
    const std::string ch340 = "usb-1a86_USB_Serial-if00-port0";
    const int alone = ByIdPortNumbers({ftdi})[0];
    EXPECT_GE(alone, 225);
    EXPECT_LE(alone, 240);
    const std::vector<int> three = ByIdPortNumbers({prolific, ch340, ftdi});
    EXPECT_EQ(3u, std::set<int>(three.begin(), three.end()).size());
    // Two adapters whose names do not clash keep their numbers in any company.
    EXPECT_EQ(ByIdPortNumbers({prolific})[0], ByIdPortNumbers({ftdi, prolific})[1]);

    // Seventeen adapters: sixteen numbers, all different; the last in name order gets none.
    std::vector<std::string> many;
    for (int i = 0; i < 17; ++i)
        many.push_back("usb-Adapter_" + std::to_string(100 + i));
    const std::vector<int> numbers = ByIdPortNumbers(many);
    std::set<int> distinct;
    for (int i = 0; i < 16; ++i)
        distinct.insert(numbers[static_cast<size_t>(i)]);
    EXPECT_EQ(16u, distinct.size());
    EXPECT_EQ(225, *distinct.begin());
    EXPECT_EQ(240, *distinct.rbegin());
    EXPECT_EQ(0, numbers[16]);
}
