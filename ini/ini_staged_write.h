// A file replacement in its two halves, for the writers of the store (not part of its
// interface). Preparing checks the target and needs no document; replacing writes the new
// content into a temporary file in the target's folder, makes it durable and renames it over
// the target. Ini_WriteToFile does both at once; a background write prepares on the caller's
// thread and replaces on a worker, from the document's text rendered in between.
#pragma once

#include <string>

#include "ini/ini_file_system.h"
#include "ini/inifile.h"

struct IniPreparedWrite {
    std::string target;    // the path replaced, links followed
    IniTargetState state;  // what is there now
};

// What preparing does about earlier writers' leftovers in the target's folder.
enum class IniStaleTempFiles { Remove, Keep };

// Resolves and checks the target of path (not null). 0, or a negative code of Ini_WriteToFile
// with nothing changed.
int IniPrepareWrite(const char* path, IniStaleTempFiles stale, IniPreparedWrite* prepared);

// Replaces the prepared target by text, exactly as Ini_WriteToFile replaces it by a document.
// 0 or a negative code; on failure the target is as it was (see Ini_WriteToFile).
int IniReplaceWithText(const IniPreparedWrite& prepared, const std::string& text);
