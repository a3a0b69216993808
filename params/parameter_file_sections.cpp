// The [PARAMETER] and [TEACH VECTOR n] sections of the parameter file: putting the working copy
// into a document, and taking it back with fallbacks and reports.
#include <cstdint>
#include <string>

#include "params/parameter_file.h"
#include "params/parameter_file_layout.h"
#include "params/parameter_set.h"
#include "platform/popups.h"

namespace {

// What loading stores for a parameter the file lacks, and the line the report gives it. These
// are the values of older parameter files, not the defaults the sensor gets, and the report has
// always called EXTERN TEACH "EXTEACH".
struct ParameterFallback {
    uint16_t value;
    const char* reportLine;
};
constexpr ParameterFallback kParameterFallbacks[kParameterCount] = {
    {500, "POWER\n"},          {0, "POWER MODE\n"},       {1, "AVERAGE\n"},
    {1, "EVALUATION MODE\n"},  {10, "HOLD FAIL\n"},       {0, "INTLIM\n"},
    {1, "MAX VEC NO\n"},       {0, "DIGITAL OUTMODE\n"},  {0, "TRIGGER\n"},
    {0, "EXTEACH\n"},          {0, "CALCULATION MODE\n"}, {3200, "DYNWIN LO\n"},
    {3300, "DYNWIN HI\n"},     {0, "COLOR GROUP\n"},      {0, "LED MODE\n"},
    {5, "GAIN\n"},             {1, "INTEGRAL\n"},
};
constexpr uint16_t kTeachFallbacks[kSavedTeachWords] = {1, 1, 1, 1, 1, 0, 10};

constexpr char kParameterReportHead[] =
    "Following parameter could not be read \nand where set to default value:\n\n";
constexpr char kTeachReportHead[] =
    "Following teach vectors could not be read \nand where set to default value:\n\n";
constexpr char kReportTitle[] = "Attention!";

// Only a result of exactly 1 is a value: absent, blank and malformed all fall back. The low 16
// bits are kept, so -1 reads as 65535, as the sensor's words wrap.
bool ReadWord(IniText ini, const char* section, const char* key, uint16_t* word)
{
    int32_t value = 0;
    if (Ini_GetInt(ini, section, key, &value) != kIniFound)
        return false;
    *word = static_cast<uint16_t>(value);
    return true;
}

}  // namespace

int AppendParaToIniHandle(IniText ini) { return AppendParaToIniHandle(ini, Para); }

int AppendTechVecToIniHandle(IniText ini) { return AppendTechVecToIniHandle(ini, TechVec); }

namespace {

// The layout of both sections, once, for a document and for a stream alike.
template <typename Document>
int AppendPara(Document& ini, const ParameterSet& para)
{
    for (int i = 0; i < kParameterCount; ++i) {
        int status = Ini_PutInt(ini, kParameterSection, kParameterKeys[i], para.*kParameterFields[i]);
        if (status < 0)
            return status;
    }
    return 0;
}

template <typename Document>
int AppendTechVec(Document& ini, const TeachTable& rows)
{
    for (int row = 0; row < kTeachRows; ++row) {
        const TeachSectionName section(row);
        for (int w = 1; w <= kSavedTeachWords; ++w) {
            int status = Ini_PutInt(ini, section.text, kTeachKeys[w - 1], TeachWord(rows[row], w));
            if (status < 0)
                return status;
        }
    }
    return 0;
}

}  // namespace

int AppendParaToIniHandle(IniText ini, const ParameterSet& para) { return AppendPara(ini, para); }
int AppendTechVecToIniHandle(IniText ini, const TeachTable& rows) { return AppendTechVec(ini, rows); }
int AppendParaToIniHandle(IniStream& ini, const ParameterSet& para) { return AppendPara(ini, para); }
int AppendTechVecToIniHandle(IniStream& ini, const TeachTable& rows) { return AppendTechVec(ini, rows); }

int AcquireParaFromIniHandle(IniText ini)
{
    std::string report;  // begun at the first failure: most files have none
    int failed = 0;
    // Every key of a missing section would miss: each falls back unasked.
    const bool present = Ini_SectionExists(ini, kParameterSection) == kIniFound;
    for (int i = 0; i < kParameterCount; ++i) {
        uint16_t& field = Para.*kParameterFields[i];
        if (!present || !ReadWord(ini, kParameterSection, kParameterKeys[i], &field)) {
            field = kParameterFallbacks[i].value;
            if (failed == 0)
                report = kParameterReportHead;
            report += kParameterFallbacks[i].reportLine;
            ++failed;
        }
    }
    if (failed > 0)
        MessagePopup(kReportTitle, report.c_str());
    return failed;
}

int AcquireTechVecFromIniHandle(IniText ini)
{
    // Grows as needed: a file without teach sections lists all 64 of them. Begun at the first
    // failure: most files have none.
    std::string report;
    int failedRows = 0;
    for (int row = 0; row < kTeachRows; ++row) {
        const TeachSectionName section(row);
        // Every key of a row whose section is missing would miss: each falls back unasked.
        const bool present = Ini_SectionExists(ini, section.text) == kIniFound;
        bool rowFailed = false;
        for (int w = 1; w <= kSavedTeachWords; ++w) {
            uint16_t& word = TeachWord(TechVec[row], w);
            if (!present || !ReadWord(ini, section.text, kTeachKeys[w - 1], &word)) {
                word = kTeachFallbacks[w - 1];
                rowFailed = true;
            }
        }
        if (rowFailed) {
            if (failedRows == 0)
                report = kTeachReportHead;
            report += section.text;
            report += '\n';
            ++failedRows;
        }
    }
    if (failedRows > 0)
        MessagePopup(kReportTitle, report.c_str());
    return failedRows;
}
