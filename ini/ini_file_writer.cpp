// Replacing a settings file: the document is written to a fresh temporary file in the target's
// folder, flushed to disk, and renamed over the target. rename() swaps the name atomically, so
// a crash or a failed write at any moment leaves the target with its old or its new complete
// content, never a half-written or missing file.
#include <cerrno>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ini/ini_document.h"

namespace {

constexpr int kTempNames = 1000;
constexpr int kMaxRefusedNames = 100;
constexpr size_t kStreamBuffer = 16384;

int WriteErrorCode(int error)
{
    switch (error) {
    case EPERM:
    case EACCES:
        return kIniNotWritable;
    case ENOSPC:
    case EDQUOT:
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

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The target must be an existing file we may open for update, or a free name in a folder we
// may write to. Nothing is created here: a probe file at the target's name would be left
// behind by a crash.
int ProbeTarget(const std::string& path, const std::string& folder)
{
    if (path.empty())
        return kIniNotWritable;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        FILE* probe = std::fopen(path.c_str(), "r+b");
        if (probe == nullptr)
            return kIniNotWritable;
        std::fclose(probe);
        return kIniOk;
    }
    if (errno != ENOENT)
        return kIniProbeRefused;
    const std::string dir = folder.empty() ? std::string(".") : folder;
    return ::access(dir.c_str(), W_OK | X_OK) == 0 ? kIniOk : kIniNotWritable;
}

// Creates "ini$$<n>.CVI" exclusively, so two writers can never share a temporary file.
int CreateTempFile(const std::string& folder, std::string* name, int* fd)
{
    int refused = 0;
    for (int number = 0; number < kTempNames; ++number) {
        *name = folder + "ini$$" + std::to_string(number) + ".CVI";
        *fd = ::open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (*fd >= 0)
            return kIniOk;
        if (errno == EEXIST)
            continue;
        if ((errno == EACCES || errno == EPERM) && ++refused < kMaxRefusedNames)
            continue;
        return kIniCouldNotCreateTemp;
    }
    return kIniNoUnusedTempName;
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

// Writes the document into the open temporary file and closes it. Returns 0 or a code.
int FillTempFile(IniText doc, int fd, const struct stat* target)
{
    FILE* stream = ::fdopen(fd, "wb");
    if (stream == nullptr) {
        const int code = WriteErrorCode(errno);
        ::close(fd);
        return code;
    }
    // The replacement keeps the permissions of the file it replaces.
    if (target != nullptr)
        (void)::fchmod(fd, target->st_mode & 07777);
    int result = std::setvbuf(stream, nullptr, _IOFBF, kStreamBuffer) == 0 ? 0 : kIniOutOfMemory;
    if (result == 0) {
        FileSink sink{stream};
        result = Ini_WriteGeneric(doc, WriteLine, &sink);
    }
    errno = 0;
    if (result == 0 && std::fflush(stream) != 0)
        result = WriteErrorCode(errno);
    // The data must be on disk before the rename makes it the target.
    if (result == 0 && ::fsync(fd) != 0)
        result = WriteErrorCode(errno);
    errno = 0;
    if (std::fclose(stream) != 0 && result == 0)
        result = WriteErrorCode(errno);
    return result;
}

}  // namespace

int Ini_WriteToFile(IniText doc, const char* path)
{
    if (doc == nullptr || path == nullptr)
        return kIniNullArgument;
    try {
        const std::string target(path);
        const std::string folder = FolderOf(target);
        int result = ProbeTarget(target, folder);
        if (result < 0)
            return result;
        struct stat info {};
        const bool existed = ::stat(path, &info) == 0;

        std::string tempName;
        int fd = -1;
        if ((result = CreateTempFile(folder, &tempName, &fd)) < 0)
            return result;
        if ((result = FillTempFile(doc, fd, existed ? &info : nullptr)) < 0) {
            ::unlink(tempName.c_str());
            return result;
        }
        if (::rename(tempName.c_str(), path) != 0) {
            result = RenameErrorCode(errno);
            // The target still holds its old content: drop the new one. If the target has
            // vanished, the temporary file is the only copy of the settings, so it stays.
            struct stat now {};
            if (::stat(path, &now) == 0)
                ::unlink(tempName.c_str());
            return result;
        }
        return kIniOk;
    } catch (const std::bad_alloc&) {
        return kIniOutOfMemory;
    }
}
