// The few operating-system calls behind reading and replacing a settings file, with one branch
// for POSIX systems and one for Windows. Not part of the store's interface.
//
// Functions that fail report the reason as an errno value (Windows errors are translated), so
// that the callers map both systems' failures to the same result codes.
#pragma once

#include <cstdio>
#include <string>

// The folder part of path with its trailing separator ("" when path names no folder). Windows
// accepts '\' and '/' and a drive ("C:name" gives "C:").
std::string IniFolderOf(const std::string& path);

// Opens path for reading in binary mode only when it is a regular file, without ever waiting on
// it: a FIFO, a device or a folder gives nullptr (errno ENOENT for all of them, since the store
// treats them as a missing file); any other failure keeps the system's errno.
FILE* IniOpenRegularFile(const char* path);

// What the writer needs to know of the file it replaces.
struct IniTargetState {
    bool exists = false;
    bool regular = false;      // a plain file (not a folder, device, FIFO or socket)
    unsigned permissions = 0;  // POSIX mode bits; kept by the replacement
};

// 0 and *state when path exists or is free; otherwise the errno of the look-up.
int IniExamineTarget(const char* path, IniTargetState* state);

// The path that path's symbolic links lead to, followed link by link (POSIX; on Windows the
// path itself), so that a write replaces the file a link names and the link stays, and in
// *state what is there (as IniExamineTarget tells). A link that leads nowhere resolves to the
// missing name it points at. On POSIX the look that finds the last name is no link is the
// examination: a new file costs one look-up. 0, or the errno of a look-up (ELOOP after 40
// links).
int IniResolveTarget(const std::string& path, std::string* resolved, IniTargetState* state);

// 0 when an existing target opens for update (without waiting, whatever it is); else the errno.
int IniProbeWritable(const char* path);

// 0 when files can be created in folder ("" is the current folder); else the errno.
int IniProbeFolder(const std::string& folder);

// A temporary file of one write. Its name is "ini$$<target>.<random>.TMP" in the target's
// folder, where <target> is a fixed hash of the target's file name: names never collide (the
// file is created exclusively, a taken name is skipped), and a look at the folder tells which
// file a leftover was meant to become. Where the system can, the file has no name at first
// (Linux's O_TMPFILE): a writer that dies leaves nothing behind, and a new target is made by
// linking the finished file in, with one change to the folder instead of a create and a rename.
struct IniTempFile {
    std::string name;
    int fd = -1;           // for writing; IniStreamOf hands out a stream of its own
    bool unnamed = false;  // not under a temporary name (name is empty): nothing to remove
};

// Creates the temporary file for target (a path) in folder. 0, or the errno of the failure.
int IniCreateTempFile(const std::string& folder, const std::string& target, IniTempFile* temp);

// With false, every temporary file is a named one from the start, as on systems without
// anonymous files: the tests of that protocol run with it. True is the default.
void IniUseAnonymousTempFiles(bool use);

// A buffered binary stream writing to the temporary file; closing it leaves the file marked as
// in use. nullptr with errno on failure.
FILE* IniStreamOf(const IniTempFile& temp);

// Writes text that is already whole straight to the temporary file, with no stream in between.
// 0 or the errno.
int IniWriteText(const IniTempFile& temp, const char* data, size_t size);

// Gives the temporary file the target's permissions (POSIX; nothing on Windows).
void IniCopyPermissions(const IniTempFile& temp, const IniTargetState& target);

// Makes the data written to the temporary file (through any stream of it, flushed and
// possibly closed) durable before it replaces the target. 0 or the errno.
int IniSyncToDisk(const IniTempFile& temp);

// Renames the temporary file over the target, replacing it in one step. 0 or the errno.
int IniReplaceTarget(IniTempFile* temp, const char* target);

// Ends the writer's use of the temporary file (removing it first when remove is true).
void IniReleaseTempFile(IniTempFile* temp, bool remove);

// Removes the temporary files in folder, whatever target they were for, that no writer is using
// any more: those of writers that were killed or crashed before they could rename or remove
// them. Names of the older ".CVI" form count too; files of other names are never touched.
void IniRemoveStaleTempFiles(const std::string& folder);
