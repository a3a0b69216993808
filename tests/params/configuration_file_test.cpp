// A configuration written in the background (streamed on a worker) is the file written at once
// through a document, byte for byte.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include <unistd.h>

#include "params/configuration_file.h"

namespace {

std::string Slurp(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void Ended(void* user, int result) { static_cast<std::atomic<int>*>(user)->store(result); }

}  // namespace

TEST(ConfigurationFile, ABackgroundWriteIsTheFileAWriteAtOnceIs)
{
    const auto folder = std::filesystem::temp_directory_path() / ("config-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::mt19937 random(7);
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        Configuration c{};
        auto* words = reinterpret_cast<uint16_t*>(&c.para);
        for (size_t i = 0; i < sizeof c.para / sizeof *words; ++i)
            words[i] = static_cast<uint16_t>(random());
        for (TeachVector& row : c.rows)
            row.Cell0 = row.Cell4 = static_cast<uint16_t>(random());
        // A firmware text with quotes, a backslash and a control character, once long enough for
        // continuation lines; once no identity at all.
        SensorIdentity id{std::string(round == 2 ? 100 : 5, 'V') + "\"4.2\\\x01", round};
        const SensorIdentity* identity = round == 3 ? nullptr : &id;

        const auto atOnce = folder / "at-once.ini";
        const auto background = folder / "background.ini";
        ASSERT_EQ(0, WriteConfigurationFile(atOnce.c_str(), c, identity));
        std::atomic<int> result{1};
        ASSERT_EQ(0, WriteConfigurationFileInBackground(background.c_str(), c, identity, Ended, &result));
        for (int wait = 0; result.load() == 1 && wait < 3000; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_EQ(0, result.load());
        const std::string expected = Slurp(atOnce);
        EXPECT_NE(std::string::npos, expected.find("[TEACH VECTOR 63]"));
        EXPECT_EQ(expected, Slurp(background));
    }
    std::filesystem::remove_all(folder);
}
