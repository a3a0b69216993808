// Parameter file tests: the real panels, a scripted file dialog and pop-ups, and real files in a
// temporary folder that the parameter file path points into.
#pragma once

#include <QTemporaryDir>

#include <string>

#include "tests/support/panels_fixture.h"

class ParameterFileTest : public PanelsTest {
protected:
    void SetUp() override;

    // A path inside the temporary folder.
    std::string PathOf(const std::string& name) const;
    // The whole content of a file, or "<missing>".
    static std::string Slurp(const std::string& path);
    static void WriteFile(const std::string& path, const std::string& bytes);

    // "[GENERAL INFO]" with both header values as the system writes them.
    static std::string Header();
    // A "[PARAMETER]" section giving every key the value first + index.
    static std::string ParameterSection(int first);

    QTemporaryDir dir_;
};
