// The parameter file: the working copy (ParameterSet and TeachTable) saved to and loaded from an
// INI text file chosen by the operator.
//
// Layout, in this order: [GENERAL INFO] with the strings FILE TYPE: = "Parameter File" and
// DIROR VERSION: = "CHROMIX5 VANTAGE Diror V1.0"; [PARAMETER] with the seventeen fields in
// payload order under their keys; then [TEACH VECTOR 0] to [TEACH VECTOR 63], each with CELL 0
// to CELL 4, GROUP and HOLD (words 1 to 7; the eighth word is the sensor's own and never saved).
#pragma once

#include "ini/ini_stream.h"
#include "ini/inifile.h"
#include "params/records.h"

// Asks for a file (starting from ParameterFilePath, which takes the choice) and writes the
// working copy to it. Tells the operator when nothing was chosen, and when the file could not
// be written (naming the file and the reason); a file that was there before is then unchanged.
// Returns 1 written, 0 when no file was chosen, or the store's negative code.
int SendParaToFile();

// Asks for an existing file, checks its header (asking whether to go on when it differs), reads
// the parameters and teach rows into the working copy with a fallback for every value it
// lacks, reports those, and refreshes the panel values and the graphs. Nothing goes to the
// sensor. When no existing file is chosen, or the file cannot be read (reported with its name
// and the reason), nothing changes and nothing is refreshed.
void ReadParaFromFile();

// The working copy written to path, without a dialog and without a pop-up: 0, or the settings
// store's negative code (an earlier file at path is then unchanged).
int WriteParaToPath(const char* path);

// ReadParaFromFile's load of path, without the dialog and without reporting a read failure:
// 1 read (with the fallback and range reports shown as ReadParaFromFile shows them);
// kParaFileRefused when a header question was answered no ("No parameter where read!" shown);
// or the store's negative code when the file could not be read (the working copy is then
// unchanged). The views are not refreshed.
inline constexpr int kParaFileRefused = -1;
int ReadParaFromPath(const char* path);

// Put the [PARAMETER] section, and the 64 teach sections, into the document. Return 0, or the
// first negative result of a put (the document is then incomplete).
int AppendParaToIniHandle(IniText ini);
int AppendTechVecToIniHandle(IniText ini);
// The same from a given set and table rather than the working copy: these touch nothing but
// their arguments, so a settings-store worker thread may build a document with them.
int AppendParaToIniHandle(IniText ini, const ParameterSet& para);
int AppendTechVecToIniHandle(IniText ini, const TeachTable& rows);
// The same into a stream, which writes the text at once (ini/ini_stream.h).
int AppendParaToIniHandle(IniStream& ini, const ParameterSet& para);
int AppendTechVecToIniHandle(IniStream& ini, const TeachTable& rows);

// Read the parameters, and words 1 to 7 of the 64 teach rows, from the document. Each value
// read keeps its low 16 bits (-1 becomes 65535); a missing or non-integer value takes its
// loading fallback and is listed in a report shown in an "Attention!" pop-up after the whole
// part has been read. Return the number of parameters, and of teach rows, that fell back.
int AcquireParaFromIniHandle(IniText ini);
int AcquireTechVecFromIniHandle(IniText ini);
