// The file layer on real files in a private temporary folder: result codes, the temporary
// file's life, and that the target is always either the old or the new complete file.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ini/ini_file_system.h"
#include "ini/inifile.h"
#include "tests/ini/ini_memory.h"

namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Spit(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// A document of about 40 kB, so that writing it takes long enough to be interrupted.
IniText BigDocument(char fill)
{
    IniText doc = Ini_New(0);
    for (int s = 0; s < 70; ++s)
        for (int i = 0; i < 8; ++i)
            Ini_PutString(doc, ("SECTION " + std::to_string(s)).c_str(),
                          ("ITEM " + std::to_string(i)).c_str(), std::string(60, fill).c_str());
    return doc;
}

class FileWrite : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = fs::temp_directory_path() /
                  ("ini_file_" + std::to_string(::getpid()) + "_" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder_);
        target_ = folder_ / "Parameter.ini";
    }
    void TearDown() override { fs::remove_all(folder_); }
    int Entries() const
    {
        return static_cast<int>(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()));
    }
    // Temporary files of the writer's naming, "ini$$" hash "." random ".TMP", sorted.
    std::vector<std::string> TemporaryFiles() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("ini$$", 0) == 0 && name.size() == 26 && name[13] == '.')
                names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    // A child process that writes `doc` to the target until it is killed.
    pid_t WriteForever(IniText doc) const
    {
        const pid_t child = ::fork();
        if (child == 0)
            for (;;)
                Ini_WriteToFile(doc, target_.c_str());
        return child;
    }
    // True when process pid holds a file lock (a writer does while its temporary file lives).
    static bool HoldsFileLock(pid_t pid)
    {
        std::ifstream locks("/proc/locks");
        for (std::string line; std::getline(locks, line);)
            if (line.find("FLOCK") != std::string::npos &&
                line.find(std::string(" ").append(std::to_string(pid)).append(" ")) != std::string::npos)
                return true;
        return false;
    }
    // True when process pid holds open a file of the folder that has no name yet (an unnamed
    // temporary file lives through the whole write; it is locked only in its last steps).
    bool HoldsUnnamedFile(pid_t pid) const
    {
        std::error_code error;
        for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
            const std::string link = fs::read_symlink(fd.path(), error).string();
            if (link.rfind(folder_.string() + "/", 0) == 0 && link.ends_with(" (deleted)"))
                return true;
        }
        return false;
    }
    fs::path folder_;
    fs::path target_;
};

}  // namespace

TEST_F(FileWrite, ReplacingLeavesOnlyTheTargetWithItsPermissions)
{
    IniText doc = Ini_New(0);
    Ini_PutInt(doc, "S", "A", 1);
    ASSERT_EQ(0, Ini_WriteToFile(doc, target_.c_str()));
    fs::permissions(target_, fs::perms::owner_read | fs::perms::owner_write);
    Ini_PutInt(doc, "S", "A", 2);
    ASSERT_EQ(0, Ini_WriteToFile(doc, target_.c_str()));
    EXPECT_EQ("[S]\r\nA = 2\r\n\r\n", Slurp(target_));
    EXPECT_EQ(1, Entries());
    EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write,
              fs::status(target_).permissions() & fs::perms::all);
    Ini_Dispose(doc);
}

TEST_F(FileWrite, UnwritableTargetsFailAndCreateNothing)
{
    IniText doc = Ini_New(0);
    Ini_PutInt(doc, "S", "A", 1);
    EXPECT_EQ(kIniNotWritable, Ini_WriteToFile(doc, (folder_ / "missing" / "x.ini").c_str()));
    EXPECT_FALSE(fs::exists(folder_ / "missing"));
    Spit(folder_ / "plain", "x");
    EXPECT_EQ(kIniProbeRefused, Ini_WriteToFile(doc, (folder_ / "plain" / "x.ini").c_str()));
    EXPECT_EQ(kIniNotWritable, Ini_WriteToFile(doc, ""));
    EXPECT_EQ(1, Entries());
    Ini_Dispose(doc);
}

// Whatever sits at the target's name that is not a file keeps its name and kind: a device
// node replaced by a file would break every program that uses it.
TEST_F(FileWrite, TargetsThatAreNotFilesAreRefusedAndLeftUntouched)
{
    IniText doc = Ini_New(0);
    Ini_PutInt(doc, "S", "A", 1);
    const fs::path fifo = folder_ / "fifo.ini", device = folder_ / "null.ini", dir = folder_ / "dir.ini",
                   socketPath = folder_ / "socket.ini";
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    ASSERT_EQ(0, ::mknod(device.c_str(), S_IFCHR | 0600, makedev(1, 3)));
    fs::create_directory(dir);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
    ASSERT_EQ(0, ::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address));
    fs::create_symlink("null.ini", folder_ / "link-to-device.ini");

    for (const fs::path& target : {fifo, device, dir, socketPath, folder_ / "link-to-device.ini"})
        EXPECT_EQ(kIniNotARegularFile, Ini_WriteToFile(doc, target.c_str())) << target;
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_character_file(device));
    EXPECT_TRUE(fs::is_directory(dir) && fs::is_empty(dir));
    EXPECT_TRUE(fs::is_socket(socketPath));
    EXPECT_TRUE(TemporaryFiles().empty());
    EXPECT_NE(std::string(GetToolboxErrorString(kIniNotARegularFile)).find("not a file"), std::string::npos);
    ::close(listener);
    Ini_Dispose(doc);
}

// A link names the file to write: the file behind it is replaced, in its own folder, and the
// link keeps pointing at it; links to links and links to a missing name are followed too.
TEST_F(FileWrite, SymbolicLinksAreFollowedAndStayLinks)
{
    IniText doc = Ini_New(0);
    Ini_PutInt(doc, "S", "A", 7);
    fs::create_directory(folder_ / "real");
    Spit(folder_ / "real" / "Parameter.ini", "old");
    fs::permissions(folder_ / "real" / "Parameter.ini", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("real/Parameter.ini", folder_ / "first.ini");
    fs::create_symlink(folder_ / "first.ini", folder_ / "second.ini");
    fs::create_symlink("not-yet.ini", folder_ / "real" / "dangling.ini");

    ASSERT_EQ(0, Ini_WriteToFile(doc, (folder_ / "second.ini").c_str()));
    EXPECT_EQ("[S]\r\nA = 7\r\n\r\n", Slurp(folder_ / "real" / "Parameter.ini"));
    EXPECT_TRUE(fs::is_symlink(folder_ / "first.ini"));
    EXPECT_TRUE(fs::is_symlink(folder_ / "second.ini"));
    EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write,
              fs::status(folder_ / "real" / "Parameter.ini").permissions() & fs::perms::all);

    ASSERT_EQ(0, Ini_WriteToFile(doc, (folder_ / "real" / "dangling.ini").c_str()));
    EXPECT_TRUE(fs::is_symlink(folder_ / "real" / "dangling.ini"));
    EXPECT_EQ(Slurp(folder_ / "real" / "Parameter.ini"), Slurp(folder_ / "real" / "not-yet.ini"));

    fs::create_symlink("loop-b.ini", folder_ / "loop-a.ini");
    fs::create_symlink("loop-a.ini", folder_ / "loop-b.ini");
    EXPECT_EQ(kIniProbeRefused, Ini_WriteToFile(doc, (folder_ / "loop-a.ini").c_str()));
    Ini_Dispose(doc);
}

// Writers killed part-way leave their temporary files; a live writer (here: stopped in the
// middle of its write) still owns its file. A write must clear away exactly the dead writers'
// files, and no number of leftovers, old-style names included, may block it.
TEST_F(FileWrite, LeftoversOfKilledWritersAreRemovedAndNeverBlockASave)
{
    // Anonymous temporary files leave nothing to clear: these are the named ones of systems
    // that have none (and of an existing target's last step).
    IniUseAnonymousTempFiles(false);
    IniText a = BigDocument('a');
    IniText b = BigDocument('b');
    for (int n = 0; n < 1000; ++n)  // names an earlier version of the writer tried in turn
        Spit(folder_ / ("ini$$" + std::to_string(n) + ".CVI"), "");
    const int others = Entries();

    std::mt19937 random(5);
    for (int round = 0; round < 200 && TemporaryFiles().empty(); ++round) {
        const pid_t child = WriteForever(b);
        ::usleep(static_cast<useconds_t>(random() % 20000));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    ASSERT_FALSE(TemporaryFiles().empty()) << "no kill hit a write";
    const std::string prefix = TemporaryFiles().front().substr(0, 14);  // "ini$$" hash "."
    // Leftovers are cleared by a write of any file in the folder, not only of their own target.
    ASSERT_EQ(0, Ini_WriteToFile(a, (folder_ / "Other.ini").c_str()));
    EXPECT_TRUE(TemporaryFiles().empty());
    fs::remove(folder_ / "Other.ini");

    // A writer stopped while it holds its temporary file, among many leftovers.
    const pid_t live = WriteForever(b);
    bool caught = false;
    for (int tries = 0; tries < 5000 && !caught; ++tries) {
        ::usleep(static_cast<useconds_t>(random() % 3000));
        ::kill(live, SIGSTOP);
        ::waitpid(live, nullptr, WUNTRACED);
        caught = TemporaryFiles().size() == 1 && HoldsFileLock(live);
        if (!caught)
            ::kill(live, SIGCONT);
    }
    ASSERT_TRUE(caught) << "the live writer was never caught inside a write";
    const std::string liveFile = TemporaryFiles().front();
    for (unsigned n = 0; n < 100; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "%s%08x.%s", prefix.c_str(), 0x10000000u + n, n % 2 ? "TMP" : "CVI");
        Spit(folder_ / name, "left over");
    }
    ASSERT_EQ(0, Ini_WriteToFile(a, target_.c_str()));
    EXPECT_EQ(ini_memory::Write(a), Slurp(target_));
    EXPECT_EQ(std::vector<std::string>{liveFile}, TemporaryFiles()) << "only the live writer's file stays";

    ::kill(live, SIGKILL);
    ::waitpid(live, nullptr, 0);
    ASSERT_EQ(0, Ini_WriteToFile(a, target_.c_str()));
    EXPECT_TRUE(TemporaryFiles().empty());
    EXPECT_EQ(others + 1, Entries()) << "files of other names stay untouched";
    Ini_Dispose(a);
    Ini_Dispose(b);
    IniUseAnonymousTempFiles(true);
}

TEST_F(FileWrite, ReadFailuresHaveTheirCodes)
{
    IniText doc = Ini_New(0);
    EXPECT_EQ(kIniCouldNotOpenForReading, Ini_ReadFromFile(doc, (folder_ / "absent.ini").c_str()));
    // Only regular files are read: a folder counts as a missing file.
    EXPECT_EQ(kIniCouldNotOpenForReading, Ini_ReadFromFile(doc, folder_.c_str()));
    Ini_Dispose(doc);
}

TEST_F(FileWrite, HugeFilesOfGarbageReadWithoutHarm)
{
    std::mt19937 random(7);
    std::string bytes(8 << 20, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() % 7 == 0 ? "[]=;\n\r\""[random() % 7] : random());
    Spit(target_, bytes);
    IniText doc = Ini_New(0);
    EXPECT_EQ(0, Ini_ReadFromFile(doc, target_.c_str()));
    EXPECT_EQ(0, Ini_WriteToFile(doc, target_.c_str()));
    Ini_Dispose(doc);
}

TEST_F(FileWrite, AWriteThatFailsLeavesTheOldFileAndNoTemporary)
{
    IniText small = Ini_New(0);
    Ini_PutInt(small, "S", "A", 1);
    ASSERT_EQ(0, Ini_WriteToFile(small, target_.c_str()));
    const std::string old = Slurp(target_);
    // The child may write at most 1000 bytes per file, so the 40 kB document fails part-way.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{1000, RLIM_INFINITY};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        IniText doc = BigDocument('n');
        ::_exit(Ini_WriteToFile(doc, target_.c_str()) == kIniIoError ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "expected -93 from the write";
    EXPECT_EQ(old, Slurp(target_));
    EXPECT_EQ(1, Entries());
    Ini_Dispose(small);
}

TEST_F(FileWrite, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewCompleteFile)
{
    IniText a = BigDocument('a');
    IniText b = BigDocument('b');
    ASSERT_EQ(0, Ini_WriteToFile(a, target_.c_str()));
    const std::string textA = Slurp(target_);
    const std::string textB = ini_memory::Write(b);
    ASSERT_EQ(textA, ini_memory::Write(a));

    std::mt19937 random(99);
    int seenB = 0;
    int hitWrites[2] = {0, 0};  // of writers with named, and with anonymous temporary files
    // Anonymous temporary files, and named ones as on systems without them.
    for (int round = 0; round < 50; ++round) {
        IniUseAnonymousTempFiles(round % 2 == 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) {
                Ini_WriteToFile(b, target_.c_str());
                Ini_WriteToFile(a, target_.c_str());
            }
        }
        ::usleep(static_cast<useconds_t>(random() % 20000));
        // Stopped first, so that what it holds is what it holds when killed: a writer holds a
        // named temporary file locked for as long as the file lives, and an unnamed one open.
        ::kill(child, SIGSTOP);
        ::waitpid(child, nullptr, WUNTRACED);
        const bool anonymous = round % 2 == 0;
        hitWrites[anonymous] += HoldsFileLock(child) || (anonymous && HoldsUnnamedFile(child));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const std::string now = Slurp(target_);
        ASSERT_TRUE(now == textA || now == textB) << "round " << round << ": " << now.size() << " bytes";
        seenB += now == textB;
    }
    IniUseAnonymousTempFiles(true);
    // Some kills must have hit a write, and some writes must have completed, or the test
    // proved nothing.
    EXPECT_GT(hitWrites[0], 0);
    EXPECT_GT(hitWrites[1], 0);
    EXPECT_GT(seenB, 0);
    Ini_Dispose(a);
    Ini_Dispose(b);
}

namespace {

// How the background writes of one test ended, told from the store's worker threads.
struct BackgroundEnds {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<int> results;  // 1 until the write ended
    size_t ended = 0;
};
struct EndOf {
    BackgroundEnds* ends;
    size_t index;
};

void BackgroundWriteEnded(void* user, int result)
{
    const EndOf& of = *static_cast<EndOf*>(user);
    std::lock_guard lock(of.ends->mutex);
    of.ends->results[of.index] = result;
    ++of.ends->ended;
    of.ends->changed.notify_all();
}

}  // namespace

// Hundreds of files at once into one folder, each document disposed of as soon as its write
// has started, every other one built on the worker instead: every write ends once, with its
// whole file in place and no temporary file left. A build that fails leaves its target as it was.
TEST_F(FileWrite, BackgroundWritesEachEndOnceWithTheirWholeFileInPlace)
{
    Spit(folder_ / "ini$$0123abcd.89abcdef.TMP", "left over by a killed writer");
    fs::create_directory(folder_ / "folder.ini");
    constexpr size_t kFiles = 300;
    BackgroundEnds ends;
    ends.results.assign(kFiles, 1);
    std::vector<EndOf> tags(kFiles);
    std::vector<std::string> expected(kFiles);
    const auto path = [&](size_t i) { return (folder_ / ("sensor-" + std::to_string(i) + ".ini")).string(); };
    const auto fill = [](IniText doc, size_t i) {
        int status = Ini_PutInt(doc, "FILE", "NUMBER", static_cast<int>(i));
        if (status == 0)
            status = Ini_PutString(doc, "FILE", "TEXT", std::string(i % 97, 'x').c_str());
        return status;
    };
    // The last file exists, and its build fails half-way.
    Spit(path(kFiles - 1), "the old content\r\n");
    expected[kFiles - 1] = "the old content\r\n";
    for (size_t i = 0; i < kFiles; ++i) {
        tags[i] = EndOf{&ends, i};
        if (i == kFiles - 1) {
            ASSERT_EQ(0,
                      Ini_BuildAndWriteInBackground(
                          path(i).c_str(), [](IniText doc) { return Ini_PutInt(doc, "FILE", "N", 1) - 97; },
                          BackgroundWriteEnded, &tags[i]));
            continue;
        }
        if (i % 2 == 1) {
            IniText doc = Ini_New(0);
            fill(doc, i);
            expected[i] = ini_memory::Write(doc);
            Ini_Dispose(doc);
            ASSERT_EQ(0,
                      Ini_BuildAndWriteInBackground(
                          path(i).c_str(), [fill, i](IniText d) { return fill(d, i); }, BackgroundWriteEnded,
                          &tags[i]));
            continue;
        }
        IniText doc = Ini_New(0);
        fill(doc, i);
        expected[i] = ini_memory::Write(doc);
        ASSERT_EQ(0, Ini_WriteToFileInBackground(doc, path(i).c_str(), BackgroundWriteEnded, &tags[i]));
        if (i == 0) {  // a target that is no file is refused at once, and nothing ends later
            EXPECT_EQ(kIniNotARegularFile, Ini_WriteToFileInBackground(doc, (folder_ / "folder.ini").c_str(),
                                                                       BackgroundWriteEnded, &tags[i]));
            EXPECT_EQ(kIniNotARegularFile,
                      Ini_BuildAndWriteInBackground((folder_ / "folder.ini").c_str(),
                                                    [](IniText) { return 0; }, BackgroundWriteEnded,
                                                    &tags[i]));
        }
        Ini_Dispose(doc);
    }
    {
        std::unique_lock lock(ends.mutex);
        ASSERT_TRUE(ends.changed.wait_for(lock, std::chrono::seconds(60), [&] { return ends.ended >= kFiles; }));
    }
    ::usleep(50000);  // room for a second, wrong end of any write
    std::lock_guard lock(ends.mutex);
    EXPECT_EQ(kFiles, ends.ended);
    for (size_t i = 0; i < kFiles; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(i == kFiles - 1 ? -97 : 0, ends.results[i]);
        EXPECT_EQ(expected[i], Slurp(path(i)));
    }
    EXPECT_TRUE(TemporaryFiles().empty());
    EXPECT_TRUE(fs::is_directory(folder_ / "folder.ini"));
}
