// Path splitting over plain byte strings; no file system access.
#include <cctype>
#include <cstring>

#include "platform/files.h"

namespace {

bool IsSeparator(char c)
{
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

// Copies n bytes and a terminator into a buffer of cap bytes; false when they do not fit.
bool CopyPart(char* out, size_t cap, const char* from, size_t n)
{
    if (!out)
        return true;
    if (n + 1 > cap)
        return false;
    std::memcpy(out, from, n);
    out[n] = '\0';
    return true;
}

}  // namespace

int SplitPath(const char* path, char* drive, char* dir, char* file)
{
    auto clear = [&] {
        if (drive)
            drive[0] = '\0';
        if (dir)
            dir[0] = '\0';
        if (file)
            file[0] = '\0';
    };
    if (!path) {
        clear();
        return -1;
    }
    const size_t length = std::strlen(path);
    size_t driveLength = 0;
#ifdef _WIN32
    if (length >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0])))
        driveLength = 2;
#endif
    // The directory runs up to and including the last separator.
    size_t fileStart = driveLength;
    for (size_t i = driveLength; i < length; ++i)
        if (IsSeparator(path[i]))
            fileStart = i + 1;
    if (!CopyPart(drive, MAX_DRIVENAME_LEN, path, driveLength) ||
        !CopyPart(dir, MAX_DIRNAME_LEN, path + driveLength, fileStart - driveLength) ||
        !CopyPart(file, MAX_FILENAME_LEN, path + fileStart, length - fileStart)) {
        clear();
        return -1;
    }
    return 0;
}
