// Loading a parameter file: the round trip, the header questions, the fallbacks and reports,
// and the refresh of the views.
#include <gtest/gtest.h>

#include <QDir>

#include <cstring>
#include <string>

#include <sys/stat.h>

#include "params/parameter_file.h"
#include "params/parameter_file_path.h"
#include "params/parameter_set.h"
#include "platform/controls.h"
#include "platform/tables.h"
#include "tests/params/parfile/parameter_file_fixture.h"
#include "tests/support/popup_script.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

namespace {

constexpr char kParameterReportHead[] =
    "Following parameter could not be read \nand where set to default value:\n\n";
constexpr char kTeachReportHead[] =
    "Following teach vectors could not be read \nand where set to default value:\n\n";
constexpr char kNotParameterFile[] =
    "Selected file is not a parameter file! \nDo you want to proceed anyway?";
constexpr char kVersionMismatch[] =
    "Selected file and diror version do not match! \nDo you want to proceed anyway?";

std::string AllTeachRowsReport()
{
    std::string report = kTeachReportHead;
    for (int row = 0; row < kTeachRows; ++row)
        report += "TEACH VECTOR " + std::to_string(row) + "\n";
    return report;
}

// Fills the working copy with values that differ from every default and fallback.
void FillDistinctValues(int seed)
{
    for (int i = 0; i < kParameterCount; ++i)
        Para.*kParameterFields[i] = static_cast<uint16_t>(seed * 1000 + i * 17 + 3);
    for (int row = 0; row < kTeachRows; ++row)
        for (int w = 1; w <= kTeachWords; ++w)
            TeachWord(TechVec[row], w) = static_cast<uint16_t>(seed * 3000 + row * 11 + w);
}

}  // namespace

class ParameterFileLoad : public ParameterFileTest {
protected:
    // Scripts the dialog to choose `path` as an existing file; the pop-ups that follow are
    // scripted after it.
    static PopupScript& Choose(PopupScript& popups, const std::string& path)
    {
        return popups.answer(PopupKind::FileSelect, 1, path);
    }
    int PowerShown() const { return Value(ParamPage, PARP_POWER); }
};

TEST_F(ParameterFileLoad, SaveThenLoadRestoresFieldsAndSevenWordsButNotTheEighth)
{
    FillDistinctValues(1);
    Para.Power = 65535;  // the whole unsigned range survives the signed text form
    TechVec[63].Cell0 = 65535;
    const ParameterSet savedPara = Para;
    const TeachTable savedTeach = TechVec;
    const std::string path = PathOf("roundtrip.ini");
    {
        PopupScript popups;
        popups.answer(PopupKind::FileSelect, 2, path);
        SendParaToFile();
    }
    FillDistinctValues(7);
    const TeachTable beforeLoad = TechVec;
    {
        PopupScript popups;
        Choose(popups, path);
        ReadParaFromFile();
    }
    for (int i = 0; i < kParameterCount; ++i)
        EXPECT_EQ(savedPara.*kParameterFields[i], Para.*kParameterFields[i]) << kParameterKeys[i];
    for (int row = 0; row < kTeachRows; ++row) {
        for (int w = 1; w <= 7; ++w)
            EXPECT_EQ(TeachWord(savedTeach[row], w), TeachWord(TechVec[row], w))
                << "row " << row << " word " << w;
        EXPECT_EQ(beforeLoad[row].Reserved, TechVec[row].Reserved) << "row " << row;
    }
    // The views show what was loaded.
    EXPECT_EQ(65535, PowerShown());
    EXPECT_EQ(static_cast<int>(Para.Average), Value(MainPanel, MAINP_AVERAGE));
    int cell = -1;
    GetTableCellVal(ParamPage, PARP_TEACHTABLE, MakePoint(4, 31), &cell);
    EXPECT_EQ(static_cast<int>(TechVec[30].Cell3), cell);
}

TEST_F(ParameterFileLoad, AFileWithoutTeachSectionsReportsAllSixtyFourRowsAndFallsBack)
{
    const std::string path = PathOf("short.ini");
    WriteFile(path, Header() + ParameterSection(100));
    FillDistinctValues(2);
    const TeachTable before = TechVec;
    PopupScript popups;
    Choose(popups, path);
    popups.answer(PopupKind::Message, 0);
    ReadParaFromFile();

    ASSERT_EQ(2u, popups.shown().size());  // the dialog and the teach report only
    EXPECT_EQ("Attention!", popups.shown()[1].title);
    EXPECT_EQ(AllTeachRowsReport(), popups.shown()[1].message);
    for (int i = 0; i < kParameterCount; ++i)
        EXPECT_EQ(100 + i, Para.*kParameterFields[i]) << kParameterKeys[i];
    const uint16_t fallback[7] = {1, 1, 1, 1, 1, 0, 10};
    for (int row = 0; row < kTeachRows; ++row) {
        for (int w = 1; w <= 7; ++w)
            EXPECT_EQ(fallback[w - 1], TeachWord(TechVec[row], w)) << "row " << row << " word " << w;
        EXPECT_EQ(before[row].Reserved, TechVec[row].Reserved);
    }
}

TEST_F(ParameterFileLoad, AFileWithoutAnyKeyAsksBothQuestionsAndGivesBothReports)
{
    const std::string path = PathOf("empty.ini");
    WriteFile(path, "");
    PopupScript popups;
    Choose(popups, path);
    popups.answer(PopupKind::Confirm, 1).answer(PopupKind::Confirm, 1);
    popups.answer(PopupKind::Message, 0).answer(PopupKind::Message, 0);
    ReadParaFromFile();

    ASSERT_EQ(5u, popups.shown().size());
    EXPECT_EQ("ATTENTION!", popups.shown()[1].title);
    EXPECT_EQ(kNotParameterFile, popups.shown()[1].message);
    EXPECT_EQ("ATTENTION!", popups.shown()[2].title);
    EXPECT_EQ(kVersionMismatch, popups.shown()[2].message);
    EXPECT_EQ("Attention!", popups.shown()[3].title);
    EXPECT_EQ(std::string(kParameterReportHead) +
                  "POWER\nPOWER MODE\nAVERAGE\nEVALUATION MODE\nHOLD FAIL\nINTLIM\nMAX VEC NO\n"
                  "DIGITAL OUTMODE\nTRIGGER\nEXTEACH\nCALCULATION MODE\nDYNWIN LO\nDYNWIN HI\n"
                  "COLOR GROUP\nLED MODE\nGAIN\nINTEGRAL\n",
              popups.shown()[3].message);
    EXPECT_EQ(AllTeachRowsReport(), popups.shown()[4].message);
    const uint16_t fallbacks[kParameterCount] = {500, 0, 1, 1, 10, 0, 1, 0, 0, 0, 0, 3200, 3300, 0, 0, 5, 1};
    for (int i = 0; i < kParameterCount; ++i)
        EXPECT_EQ(fallbacks[i], Para.*kParameterFields[i]) << kParameterKeys[i];
    EXPECT_EQ(500, PowerShown());
}

TEST_F(ParameterFileLoad, HeaderValuesMustMatchExactlyIncludingCase)
{
    const std::string path = PathOf("lower.ini");
    WriteFile(path, "[GENERAL INFO]\r\nFILE TYPE: = \"parameter file\"\r\n"
                    "DIROR VERSION: = \"CHROMIX5 VANTAGE Diror V1.0 \"\r\n\r\n" +
                        ParameterSection(1) + "[TEACH VECTOR 0]\r\n");
    PopupScript popups;
    Choose(popups, path);
    popups.answer(PopupKind::Confirm, 1).answer(PopupKind::Confirm, 1);
    popups.answer(PopupKind::Message, 0);
    ReadParaFromFile();

    ASSERT_EQ(4u, popups.shown().size());
    EXPECT_EQ(kNotParameterFile, popups.shown()[1].message);
    EXPECT_EQ(kVersionMismatch, popups.shown()[2].message);  // a trailing blank is a mismatch
    EXPECT_EQ(1, Para.Power);
}

TEST_F(ParameterFileLoad, DecliningTheFirstQuestionReadsNothingButStillRefreshes)
{
    const std::string path = PathOf("other.ini");
    WriteFile(path, "[GENERAL INFO]\r\nFILE TYPE: = \"Panel Settings\"\r\n\r\n" + ParameterSection(1));
    FillDistinctValues(3);
    const ParameterSet before = Para;
    SetCtrlVal(ParamPage, PARP_POWER, 4321);
    PopupScript popups;
    Choose(popups, path);
    popups.answer(PopupKind::Confirm, 0);
    popups.answer(PopupKind::Message, 0);
    ReadParaFromFile();

    ASSERT_EQ(3u, popups.shown().size());  // no version question
    EXPECT_EQ(kNotParameterFile, popups.shown()[1].message);
    EXPECT_EQ("ATTENTION!", popups.shown()[2].title);
    EXPECT_EQ("No parameter where read!", popups.shown()[2].message);
    EXPECT_EQ(before.Power, Para.Power);
    EXPECT_EQ(before.Integral, Para.Integral);
    EXPECT_EQ(static_cast<int>(before.Power), PowerShown());
}

TEST_F(ParameterFileLoad, DecliningTheVersionQuestionReadsNothing)
{
    const std::string path = PathOf("old.ini");
    WriteFile(path, "[GENERAL INFO]\r\nFILE TYPE: = \"Parameter File\"\r\n\r\n" + ParameterSection(1));
    FillDistinctValues(4);
    const ParameterSet before = Para;
    PopupScript popups;
    Choose(popups, path);
    popups.answer(PopupKind::Confirm, 0);
    popups.answer(PopupKind::Message, 0);
    ReadParaFromFile();

    ASSERT_EQ(3u, popups.shown().size());
    EXPECT_EQ(kVersionMismatch, popups.shown()[1].message);
    EXPECT_EQ("No parameter where read!", popups.shown()[2].message);
    EXPECT_EQ(before.Power, Para.Power);
}

TEST_F(ParameterFileLoad, AMissingExternTeachIsReportedAsExteach)
{
    std::string parameters = ParameterSection(1);
    const std::string line = "EXTERN TEACH = 10\r\n";
    parameters.erase(parameters.find(line), line.size());
    const std::string path = PathOf("noexteach.ini");
    WriteFile(path, Header() + parameters);
    PopupScript popups;
    Choose(popups, path);
    popups.answer(PopupKind::Message, 0).answer(PopupKind::Message, 0);
    ReadParaFromFile();

    ASSERT_EQ(3u, popups.shown().size());
    EXPECT_EQ(std::string(kParameterReportHead) + "EXTEACH\n", popups.shown()[1].message);
    EXPECT_EQ(0, Para.ExternTeach);
    EXPECT_EQ(11, Para.CalculationMode);
}

TEST_F(ParameterFileLoad, SectionsAndKeysAreFoundWhateverTheirCase)
{
    const std::string path = PathOf("case.ini");
    std::string text = "[general info]\r\nfile type: = \"Parameter File\"\r\n"
                       "Diror Version: = \"CHROMIX5 VANTAGE Diror V1.0\"\r\n[parameter]\r\n";
    for (int i = 0; i < kParameterCount; ++i)
        text += QString(kParameterKeys[i]).toLower().toStdString() + " = " + std::to_string(40 + i) + "\r\n";
    for (int row = 0; row < kTeachRows; ++row)
        text += "[teach vector " + std::to_string(row) +
                "]\r\ncell 0 = 2\r\ncell 1 = 3\r\ncell 2 = 4\r\ncell 3 = 5\r\ncell 4 = 6\r\ngroup = 7\r\nhold = 8\r\n";
    WriteFile(path, text);
    PopupScript popups;
    Choose(popups, path);
    ReadParaFromFile();

    EXPECT_EQ(1u, popups.shown().size());
    EXPECT_EQ(40, Para.Power);
    EXPECT_EQ(56, Para.Integral);
    EXPECT_EQ(8, TechVec[63].Hold);
    EXPECT_EQ(2, TechVec[0].Cell0);
}

TEST_F(ParameterFileLoad, ValuesKeepTheirLowSixteenBitsAndMalformedOnesFallBack)
{
    const std::string path = PathOf("range.ini");
    WriteFile(path, Header() + "[PARAMETER]\r\n"
                                "POWER = -1\r\nPOWER MODE = 65536\r\nAVERAGE = 70000\r\n"
                                "EVALUATION MODE = 2147483647\r\nHOLD FAIL = -2147483648\r\n"
                                "INTLIM = 2147483648\r\nMAX VEC NO = 99\r\nDIGITAL OUTMODE = 0x10\r\n"
                                "TRIGGER = 1.5\r\nEXTERN TEACH = \"12\"\r\nCALCULATION MODE = +7\r\n"
                                "DYNWIN LO = \r\nDYNWIN HI =  \"\" \r\nCOLOR GROUP = 3 4\r\n"
                                "LED MODE = 1\r\nGAIN = 2\r\nINTEGRAL = 3\r\n"
                                "[TEACH VECTOR 5]\r\nCELL 0 = -2\r\nCELL 1 = 1\r\nCELL 2 = 1\r\n"
                                "CELL 3 = 1\r\nCELL 4 = 1\r\nGROUP = 1\r\nHOLD = 65546\r\n");
    PopupScript popups;
    Choose(popups, path);
    popups.answer(PopupKind::Message, 0).answer(PopupKind::Message, 0).answer(PopupKind::Message, 0);
    ReadParaFromFile();

    EXPECT_EQ(65535, Para.Power);
    EXPECT_EQ(0, Para.PowerMode);
    EXPECT_EQ(4464, Para.Average);
    EXPECT_EQ(65535, Para.EvaluationMode);
    EXPECT_EQ(0, Para.HoldFail);
    EXPECT_EQ(99, Para.MaxVecNo);  // no range test against the sensor's colour limit
    EXPECT_EQ(12, Para.ExternTeach);  // the quotes belong to the file format
    EXPECT_EQ(7, Para.CalculationMode);
    EXPECT_EQ(65534, TechVec[5].Cell0);
    EXPECT_EQ(10, TechVec[5].Hold);
    ASSERT_EQ(4u, popups.shown().size());
    EXPECT_EQ(std::string(kParameterReportHead) +
                  "INTLIM\nDIGITAL OUTMODE\nTRIGGER\nDYNWIN LO\nDYNWIN HI\nCOLOR GROUP\n",
              popups.shown()[1].message);
    EXPECT_EQ(0, Para.IntLim);
    EXPECT_EQ(3200, Para.DynwinLo);
    // Row 5 read completely, so the teach report lists the other 63 only.
    EXPECT_EQ(std::string::npos, popups.shown()[2].message.find("TEACH VECTOR 5\n"));
    EXPECT_NE(std::string::npos, popups.shown()[2].message.find("TEACH VECTOR 63\n"));
    // The values kept as their low 16 bits are named, after both reports, with what they became.
    EXPECT_EQ("Attention!", popups.shown()[3].title);
    EXPECT_EQ("Following values do not fit 0 to 65535 \nand were stored as their low 16 bits:\n\n"
              "POWER = -1 was stored as 65535\n"
              "POWER MODE = 65536 was stored as 0\n"
              "AVERAGE = 70000 was stored as 4464\n"
              "EVALUATION MODE = 2147483647 was stored as 65535\n"
              "HOLD FAIL = -2147483648 was stored as 0\n"
              "TEACH VECTOR 5 CELL 0 = -2 was stored as 65534\n"
              "TEACH VECTOR 5 HOLD = 65546 was stored as 10\n",
              popups.shown()[3].message);
}

TEST_F(ParameterFileLoad, NoExistingFileChosenChangesNothing)
{
    const std::string path = PathOf("new.ini");
    FillDistinctValues(5);
    const ParameterSet before = Para;
    SetCtrlVal(ParamPage, PARP_POWER, 4321);
    for (int answer : {0, 2}) {  // cancelled, then a name that is not there
        PopupScript popups;
        popups.answer(PopupKind::FileSelect, answer, path);
        popups.answer(PopupKind::Message, 0);
        ReadParaFromFile();
        ASSERT_EQ(2u, popups.shown().size());
        EXPECT_EQ("ATTENTION!", popups.shown()[1].title);
        EXPECT_EQ("No file was selected!", popups.shown()[1].message);
    }
    EXPECT_EQ(before.Power, Para.Power);
    EXPECT_EQ(4321, PowerShown());  // not refreshed
    EXPECT_EQ(PathOf("Parameter.ini"), std::string(ParameterFilePath));
}

TEST_F(ParameterFileLoad, AnUnreadableFileIsReportedAsSuchAndChangesNothing)
{
    // A folder and a FIFO pass the dialog as existing files, but neither can be read as one.
    const std::string folder = PathOf("folder.ini");
    const std::string fifo = PathOf("fifo.ini");
    QDir(dir_.path()).mkdir("folder.ini");
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    FillDistinctValues(6);
    const ParameterSet before = Para;
    const uint16_t lastWord = TechVec[63].Hold;
    SetCtrlVal(ParamPage, PARP_POWER, 4321);
    for (const std::string& path : {folder, fifo}) {
        PopupScript popups;
        Choose(popups, path);
        popups.answer(PopupKind::Message, 0);
        ReadParaFromFile();
        ASSERT_EQ(2u, popups.shown().size()) << path;
        EXPECT_EQ("ATTENTION!", popups.shown()[1].title);
        EXPECT_EQ("The parameter file could not be read:\n" + path + "\n\n"
                  "The file cannot be opened for reading (it is missing, not a file, or not "
                  "accessible). (error -5001)",
                  popups.shown()[1].message);
    }
    EXPECT_EQ(0, std::memcmp(&before, &Para, sizeof Para));
    EXPECT_EQ(lastWord, TechVec[63].Hold);
    EXPECT_EQ(4321, PowerShown());  // not refreshed
}
