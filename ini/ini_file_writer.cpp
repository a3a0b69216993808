// Replacing a settings file: the document is written to a fresh temporary file in the target's
// folder, flushed to disk, and renamed over the target. The rename swaps the name atomically, so
// a crash or a failed write at any moment leaves the target with its old or its new complete
// content, never a half-written or missing file. Only regular files are replaced, and a
// symbolic link is followed to the file it names. The operating-system calls are
// ini_file_system.cpp's.
#include <cerrno>
#include <cstdio>
#include <new>
#include <string>

#include "ini/ini_document.h"
#include "ini/ini_file_system.h"
#include "ini/ini_staged_write.h"

namespace {

constexpr size_t kStreamBuffer = 16384;

int WriteErrorCode(int error)
{
    switch (error) {
    case EPERM:
    case EACCES:
        return kIniNotWritable;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return kIniDiskFull;
    case ENOMEM:
        return kIniOutOfMemory;
    default:
        return kIniIoError;
    }
}

int RenameErrorCode(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return kIniRenameNotFound;
    case ENOMEM:
        return kIniOutOfMemory;
    case EIO:
        return kIniIoError;
    default: {
        const int code = WriteErrorCode(error);
        return code == kIniIoError ? kIniRenameFailed : code;
    }
    }
}

// The target must be an existing file we may open for update, or a free name in a folder we
// may write to. Nothing is created here: a probe file at the target's name would be left
// behind by a crash.
// Only a regular file is ever replaced: renaming over a device, a FIFO or a socket would take
// its name from whatever uses it, and a folder cannot take a file's place at all.
int ProbeTarget(const std::string& path, const std::string& folder, const IniTargetState& state)
{
    if (path.empty())
        return kIniNotWritable;
    if (state.exists && !state.regular)
        return kIniNotARegularFile;
    if (state.exists)
        return IniProbeWritable(path.c_str()) == 0 ? kIniOk : kIniNotWritable;
    return IniProbeFolder(folder) == 0 ? kIniOk : kIniNotWritable;
}

struct FileSink {
    FILE* stream;
};

int WriteLine(void* sinkData, const char* line)
{
    FILE* stream = static_cast<FileSink*>(sinkData)->stream;
    const size_t length = std::char_traits<char>::length(line);
    errno = 0;
    if ((length > 0 && std::fwrite(line, 1, length, stream) != length) ||
        std::fwrite("\r\n", 1, 2, stream) != 2)
        return WriteErrorCode(errno);
    return 0;
}

// Where the lines go: straight from the document, or from its text rendered earlier.
struct Content {
    IniText doc = nullptr;
    const std::string* text = nullptr;
};

// Writes the content into the temporary file and hands it to the system. Returns 0 or a code.
int FillTempFile(const Content& content, const IniTempFile& temp, const IniTargetState& target)
{
    // The replacement keeps the permissions of the file it replaces.
    if (content.doc == nullptr) {
        // Text rendered earlier goes in whole: a stream would only copy it once more, and cost
        // a descriptor of its own and its buffer for every file of a fleet's backup.
        IniCopyPermissions(temp, target);
        const int error = IniWriteText(temp, content.text->data(), content.text->size());
        return error == 0 ? 0 : WriteErrorCode(error);
    }
    FILE* stream = IniStreamOf(temp);
    if (stream == nullptr)
        return WriteErrorCode(errno);
    IniCopyPermissions(temp, target);
    int result = std::setvbuf(stream, nullptr, _IOFBF, kStreamBuffer) == 0 ? 0 : kIniOutOfMemory;
    if (result == 0) {
        FileSink sink{stream};
        result = Ini_WriteGeneric(content.doc, WriteLine, &sink);
    }
    errno = 0;
    if (result == 0 && std::fflush(stream) != 0)
        result = WriteErrorCode(errno);
    errno = 0;
    if (std::fclose(stream) != 0 && result == 0)
        result = WriteErrorCode(errno);
    return result;
}

// The temporary file, filled, made durable and renamed over the target. Returns 0 or a code.
int ReplaceTarget(const IniPreparedWrite& prepared, const Content& content)
{
    IniTempFile temp;
    if (const int error = IniCreateTempFile(IniFolderOf(prepared.target), prepared.target, &temp); error != 0)
        return error == EEXIST ? kIniNoUnusedTempName : kIniCouldNotCreateTemp;
    if (const int result = FillTempFile(content, temp, prepared.state); result < 0) {
        IniReleaseTempFile(&temp, true);
        return result;
    }
    // The data must be on disk before the rename makes it the target.
    if (const int error = IniSyncToDisk(temp); error != 0) {
        IniReleaseTempFile(&temp, true);
        return WriteErrorCode(error);
    }
    if (const int error = IniReplaceTarget(&temp, prepared.target.c_str()); error != 0) {
        // The target still holds its old content: drop the new one. If the target has
        // vanished, the temporary file is the only copy of the settings, so it stays.
        IniTargetState now;
        IniReleaseTempFile(&temp, IniExamineTarget(prepared.target.c_str(), &now) == 0 && now.exists);
        return RenameErrorCode(error);
    }
    IniReleaseTempFile(&temp, false);
    return kIniOk;
}

}  // namespace

int IniPrepareWrite(const char* path, IniStaleTempFiles stale, IniPreparedWrite* prepared)
{
    // A symbolic link stays a link: the file it leads to is the one replaced.
    if (path[0] == '\0')
        return kIniNotWritable;
    if (IniResolveTarget(path, &prepared->target, &prepared->state) != 0)
        return kIniProbeRefused;
    const std::string folder = IniFolderOf(prepared->target);
    const int result = ProbeTarget(prepared->target, folder, prepared->state);
    if (result < 0)
        return result;
    // Temporary files of earlier writes that were killed part-way would pile up for ever.
    if (stale == IniStaleTempFiles::Remove)
        IniRemoveStaleTempFiles(folder);
    return kIniOk;
}

int IniReplaceWithText(const IniPreparedWrite& prepared, const std::string& text)
{
    try {
        return ReplaceTarget(prepared, Content{nullptr, &text});
    } catch (const std::bad_alloc&) {
        return kIniOutOfMemory;
    }
}

int Ini_WriteToFile(IniText doc, const char* path)
{
    if (doc == nullptr || path == nullptr)
        return kIniNullArgument;
    try {
        IniPreparedWrite prepared;
        const int result = IniPrepareWrite(path, IniStaleTempFiles::Remove, &prepared);
        return result < 0 ? result : ReplaceTarget(prepared, Content{doc, nullptr});
    } catch (const std::bad_alloc&) {
        return kIniOutOfMemory;
    }
}
