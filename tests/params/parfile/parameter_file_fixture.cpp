#include "tests/params/parfile/parameter_file_fixture.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "params/parameter_file_path.h"
#include "params/parameter_set.h"

void ParameterFileTest::SetUp()
{
    PanelsTest::SetUp();
    ASSERT_TRUE(dir_.isValid());
    std::snprintf(ParameterFilePath, sizeof ParameterFilePath, "%s", PathOf("Parameter.ini").c_str());
}

std::string ParameterFileTest::PathOf(const std::string& name) const
{
    return dir_.path().toStdString() + "/" + name;
}

std::string ParameterFileTest::Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "<missing>";
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void ParameterFileTest::WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ParameterFileTest::Header()
{
    return "[GENERAL INFO]\r\n"
           "FILE TYPE: = \"Parameter File\"\r\n"
           "DIROR VERSION: = \"CHROMIX5 VANTAGE Diror V1.0\"\r\n\r\n";
}

std::string ParameterFileTest::ParameterSection(int first)
{
    std::string text = "[PARAMETER]\r\n";
    for (int i = 0; i < kParameterCount; ++i)
        text += std::string(kParameterKeys[i]) + " = " + std::to_string(first + i) + "\r\n";
    return text + "\r\n";
}
