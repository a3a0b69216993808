#include "ini/ini_file_system.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <random>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr int kMaxNameAttempts = 100;
constexpr char kTempPrefix[] = "ini$$";
constexpr char kTempExtension[] = ".TMP";
constexpr char kOldTempExtension[] = ".CVI";  // what writers before the ".TMP" names left behind
constexpr size_t kHexDigits = 8;
// "ini$$" hash "." random ".CVI"
constexpr size_t kTempNameLength = sizeof kTempPrefix - 1 + kHexDigits + 1 + kHexDigits + sizeof kTempExtension - 1;

bool IsSeparator(char c)
{
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

std::string Hex(uint32_t value)
{
    static const char digits[] = "0123456789abcdef";
    std::string text(kHexDigits, '0');
    for (size_t i = kHexDigits; i-- > 0; value >>= 4)
        text[i] = digits[value & 0xF];
    return text;
}

// "ini$$<hash of the target's file name>." — the same for every write of one target. FNV-1a,
// so the name is stable across runs and builds; Windows file names ignore case, so does the hash.
std::string TempPrefixOf(const std::string& target)
{
    const std::string folder = IniFolderOf(target);
    uint32_t hash = 2166136261u;
    for (size_t i = folder.size(); i < target.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(target[i]);
#ifdef _WIN32
        if (c >= 'a' && c <= 'z')
            c = static_cast<unsigned char>(c - 'a' + 'A');
#endif
        hash = (hash ^ c) * 16777619u;
    }
    return kTempPrefix + Hex(hash) + ".";
}

bool IsHexDigits(const std::string& name, size_t from, size_t count)
{
    for (size_t i = from; i < from + count; ++i)
        if (!((name[i] >= '0' && name[i] <= '9') || (name[i] >= 'a' && name[i] <= 'f')))
            return false;
    return true;
}

// "ini$$" hash "." random ".TMP" (or ".CVI"), exactly: the names this writer makes and no other.
bool IsTempName(const std::string& name)
{
    constexpr size_t prefix = sizeof kTempPrefix - 1;
    constexpr size_t extension = sizeof kTempExtension - 1;
    if (name.size() != kTempNameLength || name.compare(0, prefix, kTempPrefix) != 0 ||
        name[prefix + kHexDigits] != '.')
        return false;
    const std::string ending = name.substr(kTempNameLength - extension);
    if (ending != kTempExtension && ending != kOldTempExtension)
        return false;
    return IsHexDigits(name, prefix, kHexDigits) && IsHexDigits(name, prefix + kHexDigits + 1, kHexDigits);
}

uint32_t RandomNumber()
{
    thread_local std::mt19937 generator = [] {
        std::seed_seq seed{static_cast<uint32_t>(std::random_device{}()),
                           static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count())};
        return std::mt19937(seed);
    }();
    return static_cast<uint32_t>(generator());
}

#ifdef _WIN32

// A live writer keeps its temporary file open, which Windows does not let anyone delete; the
// short moment between closing it and renaming it is covered by sparing young files.
constexpr int64_t kStaleAfter100ns = 60LL * 10000000LL;

int ErrnoOfLastError()
{
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    default: return EIO;
    }
}

#endif

}  // namespace

std::string IniFolderOf(const std::string& path)
{
    for (size_t i = path.size(); i-- > 0;)
        if (IsSeparator(path[i]))
            return path.substr(0, i + 1);
#ifdef _WIN32
    if (path.size() >= 2 && path[1] == ':')
        return path.substr(0, 2);
#endif
    return std::string();
}

#ifdef _WIN32

FILE* IniOpenRegularFile(const char* path)
{
    struct _stat64 info {};
    if (_stat64(path, &info) != 0)
        return nullptr;
    if ((info.st_mode & _S_IFMT) != _S_IFREG) {
        errno = ENOENT;
        return nullptr;
    }
    return std::fopen(path, "rb");
}

int IniExamineTarget(const char* path, IniTargetState* state)
{
    struct _stat64 info {};
    *state = IniTargetState{};
    if (_stat64(path, &info) != 0)
        return errno == ENOENT ? 0 : errno;
    state->exists = true;
    state->regular = (info.st_mode & _S_IFMT) == _S_IFREG;
    state->permissions = static_cast<unsigned>(info.st_mode) & 0777u;
    return 0;
}

int IniResolveTarget(const std::string& path, std::string* resolved, IniTargetState* state)
{
    *resolved = path;
    return IniExamineTarget(path.c_str(), state);
}

int IniProbeWritable(const char* path)
{
    int fd = -1;
    if (_sopen_s(&fd, path, _O_RDWR | _O_BINARY, _SH_DENYNO, 0) != 0)
        return errno;
    _close(fd);
    return 0;
}

int IniProbeFolder(const std::string& folder)
{
    return _access(folder.empty() ? "." : folder.c_str(), 2) == 0 ? 0 : errno;
}

// Windows has no anonymous files: every temporary file is a named one.
void IniUseAnonymousTempFiles(bool) {}

int IniCreateTempFile(const std::string& folder, const std::string& target, IniTempFile* temp)
{
    const std::string prefix = folder + TempPrefixOf(target);
    for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
        temp->name = prefix + Hex(RandomNumber()) + kTempExtension;
        const errno_t error = _sopen_s(&temp->fd, temp->name.c_str(),
                                       _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                                       _SH_DENYNO, _S_IREAD | _S_IWRITE);
        if (error == 0)
            return 0;
        temp->fd = -1;
        if (error != EEXIST)
            return error;
    }
    return EEXIST;
}

FILE* IniStreamOf(const IniTempFile& temp)
{
    const int copy = _dup(temp.fd);
    if (copy < 0)
        return nullptr;
    FILE* stream = _fdopen(copy, "wb");
    if (stream == nullptr)
        _close(copy);
    return stream;
}

int IniWriteText(const IniTempFile& temp, const char* data, size_t size)
{
    while (size > 0) {
        const unsigned piece = size > 0x40000000u ? 0x40000000u : static_cast<unsigned>(size);
        const int n = _write(temp.fd, data, piece);
        if (n <= 0)
            return n < 0 ? errno : EIO;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return 0;
}

void IniCopyPermissions(const IniTempFile&, const IniTargetState&)
{
    // A new file takes the folder's inherited access rights.
}

int IniSyncToDisk(const IniTempFile& temp) { return _commit(temp.fd) == 0 ? 0 : errno; }

int IniReplaceTarget(IniTempFile* temp, const char* target)
{
    // Windows renames no open file: the writer's own handle goes first.
    if (temp->fd >= 0)
        _close(temp->fd);
    temp->fd = -1;
    if (MoveFileExA(temp->name.c_str(), target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    return ErrnoOfLastError();
}

void IniReleaseTempFile(IniTempFile* temp, bool remove)
{
    if (temp->fd >= 0)
        _close(temp->fd);
    temp->fd = -1;
    if (remove)
        DeleteFileA(temp->name.c_str());
}

void IniRemoveStaleTempFiles(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + kTempPrefix + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const int64_t nowTicks = (static_cast<int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    do {
        const int64_t written = (static_cast<int64_t>(found.ftLastWriteTime.dwHighDateTime) << 32) |
                                found.ftLastWriteTime.dwLowDateTime;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            IsTempName(found.cFileName) && nowTicks - written > kStaleAfter100ns)
            DeleteFileA((folder + found.cFileName).c_str());  // fails while a writer has it open
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

#else

FILE* IniOpenRegularFile(const char* path)
{
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer, for ever.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        errno = ENOENT;
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FILE* stream = ::fdopen(fd, "rb");
    if (stream == nullptr)
        ::close(fd);
    return stream;
}

namespace {

void StateOf(const struct stat& info, IniTargetState* state)
{
    state->exists = true;
    state->regular = S_ISREG(info.st_mode);
    state->permissions = info.st_mode & 07777u;
}

// Follows path's links; *state is what the last name is, from the look that found it is no
// link: lstat tells of anything but a link what stat would.
int FollowLinks(const std::string& path, std::string* resolved, IniTargetState* state)
{
    constexpr int kMaxLinks = 40;  // as the kernel's own limit
    std::string current = path;
    for (int hops = 0; hops < kMaxLinks; ++hops) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0) {
            *resolved = current;
            return errno == ENOENT ? 0 : errno;
        }
        if (!S_ISLNK(info.st_mode)) {
            *resolved = current;
            StateOf(info, state);
            return 0;
        }
        std::string link(PATH_MAX, '\0');
        const ssize_t length = ::readlink(current.c_str(), link.data(), link.size());
        if (length < 0)
            return errno;
        if (static_cast<size_t>(length) >= link.size())
            return ENAMETOOLONG;
        link.resize(static_cast<size_t>(length));
        if (link.empty())
            return ENOENT;
        // A relative link is relative to the folder that holds it.
        current = link[0] == '/' ? link : IniFolderOf(current) + link;
    }
    return ELOOP;
}

}  // namespace

int IniExamineTarget(const char* path, IniTargetState* state)
{
    struct stat info {};
    *state = IniTargetState{};
    if (::stat(path, &info) != 0)
        return errno == ENOENT ? 0 : errno;
    StateOf(info, state);
    return 0;
}

int IniResolveTarget(const std::string& path, std::string* resolved, IniTargetState* state)
{
    *state = IniTargetState{};
    return FollowLinks(path, resolved, state);
}

int IniProbeWritable(const char* path)
{
    const int fd = ::open(path, O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    ::close(fd);
    return 0;
}

int IniProbeFolder(const std::string& folder)
{
    return ::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

namespace {

bool anonymousWanted = true;

// A file without a name is linked in through its entry in /proc; without /proc it could
// never get one.
bool CanLinkAnonymousFiles()
{
#ifdef O_TMPFILE
    static const bool can = ::access("/proc/self/fd", X_OK) == 0;
    return can && anonymousWanted;
#else
    return false;
#endif
}

// The folder's anonymous temporary file; -1 where the system or the file system has
// none (errno then says why).
int CreateAnonymousFile(const std::string& folder)
{
#ifdef O_TMPFILE
    if (!CanLinkAnonymousFiles()) {
        errno = EOPNOTSUPP;
        return -1;
    }
    // Locked only if it ever gets a temporary name (IniReplaceTarget): nothing else can find it.
    return ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
#else
    (void)folder;
    errno = EOPNOTSUPP;
    return -1;
#endif
}

// Links the open file fd into the folder as path; 0 or the errno (EEXIST when path is taken).
int LinkIn(int fd, const std::string& path)
{
    char entry[40];
    std::snprintf(entry, sizeof entry, "/proc/self/fd/%d", fd);
    return ::linkat(AT_FDCWD, entry, AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

}  // namespace

void IniUseAnonymousTempFiles(bool use) { anonymousWanted = use; }

int IniCreateTempFile(const std::string& folder, const std::string& target, IniTempFile* temp)
{
    temp->fd = CreateAnonymousFile(folder);
    if (temp->fd >= 0) {
        temp->unnamed = true;
        return 0;
    }
    // Kernels and file systems without anonymous files say so in several ways; any other
    // failure is the folder's, and a named file would fail alike.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return errno;
    const std::string prefix = folder + TempPrefixOf(target);
    for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
        temp->name = prefix + Hex(RandomNumber()) + kTempExtension;
        const int fd = ::open(temp->name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        // The lock marks the file as in use for as long as this writer holds it. Another
        // writer's clean-up may have taken the fresh, still unlocked file for stale and removed
        // it; then the name no longer leads to this file and a new one is made. Where the file
        // system has no locks, no clean-up can lock (and remove) the file either.
        (void)::flock(fd, LOCK_EX);
        struct stat mine {}, named {};
        if (::fstat(fd, &mine) == 0 && ::stat(temp->name.c_str(), &named) == 0 &&
            mine.st_ino == named.st_ino && mine.st_dev == named.st_dev) {
            temp->fd = fd;
            return 0;
        }
        const int error = errno;
        ::close(fd);
        if (error != ENOENT)
            return error ? error : EIO;
    }
    return EEXIST;
}

FILE* IniStreamOf(const IniTempFile& temp)
{
    // The stream gets a descriptor of its own, so closing it keeps the lock of temp.fd.
    const int copy = ::fcntl(temp.fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0)
        return nullptr;
    FILE* stream = ::fdopen(copy, "wb");
    if (stream == nullptr)
        ::close(copy);
    return stream;
}

int IniWriteText(const IniTempFile& temp, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(temp.fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return 0;
}

void IniCopyPermissions(const IniTempFile& temp, const IniTargetState& target)
{
    if (target.exists)
        (void)::fchmod(temp.fd, static_cast<mode_t>(target.permissions));
}

int IniSyncToDisk(const IniTempFile& temp) { return ::fsync(temp.fd) == 0 ? 0 : errno; }

int IniReplaceTarget(IniTempFile* temp, const char* target)
{
    if (temp->unnamed) {
        // A new target is the finished file linked in; one that exists is replaced by a rename,
        // as a named temporary file replaces it, so the file gets its temporary name first.
        if (LinkIn(temp->fd, target) == 0)
            return 0;
        // Locked as a named one is, before a clean-up can see it under its temporary name.
        (void)::flock(temp->fd, LOCK_EX);
        const std::string prefix = IniFolderOf(target) + TempPrefixOf(target);
        int error = EEXIST;
        for (int attempt = 0; attempt < kMaxNameAttempts && error == EEXIST; ++attempt) {
            temp->name = prefix + Hex(RandomNumber()) + kTempExtension;
            error = LinkIn(temp->fd, temp->name);
        }
        if (error != 0)
            return error;
        temp->unnamed = false;
    }
    return ::rename(temp->name.c_str(), target) == 0 ? 0 : errno;
}

void IniReleaseTempFile(IniTempFile* temp, bool remove)
{
    // Removed while still locked, so no clean-up can take the name for another file's. A file
    // never linked in goes with its descriptor.
    if (remove && !temp->unnamed)
        ::unlink(temp->name.c_str());
    if (temp->fd >= 0)
        ::close(temp->fd);
    temp->fd = -1;
}

void IniRemoveStaleTempFiles(const std::string& folder)
{
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsTempName(entry->d_name))
            continue;
        const std::string path = folder + entry->d_name;
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            continue;
        // A file nobody holds locked belongs to a writer that is gone. The name must still lead
        // to the file locked here when it is removed.
        struct stat locked {}, named {};
        if (::fstat(fd, &locked) == 0 && S_ISREG(locked.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::lstat(path.c_str(), &named) == 0 && named.st_ino == locked.st_ino && named.st_dev == locked.st_dev)
            ::unlink(path.c_str());
        ::close(fd);
    }
    ::closedir(dir);
}

#endif
