// Background writes: the caller's thread checks the target and renders the document (it owns
// the document); a few worker threads do the rest. That rest is mostly waiting, for the file
// system to create and rename files and for the disk to confirm their data, and the waits of
// several files overlap: a file system confirms the data of concurrent syncs in one journal
// commit. No event loop can wait for a sync, which is why this, alone in the store, uses threads.
#include <new>
#include <set>
#include <string>

#include "ini/ini_file_system.h"
#include "ini/ini_staged_write.h"
#include "ini/ini_stream.h"
#include "ini/inifile.h"

#ifndef _WIN32
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>
#endif

namespace {

struct Job {
    IniPreparedWrite prepared;
    std::string text;
    IniWriteDone done;
    void* user;
    IniBuild build;  // when set, makes the document whose text replaces the target
    IniStreamBuild stream;  // when set, writes that text without the document if it can
};

int AppendLine(void* sinkData, const char* line)
{
    std::string& text = *static_cast<std::string*>(sinkData);
    text += line;
    text += "\r\n";
    return 0;
}

// The text of the document that build makes: 0 or the first failing step's code.
int BuildText(const IniBuild& build, std::string* text)
{
    IniText doc = Ini_New(0);
    if (doc == nullptr)
        return kIniOutOfMemory;
    int result = build(doc);
    if (result >= 0)
        result = Ini_WriteGeneric(doc, AppendLine, text);
    Ini_Dispose(doc);
    return result < 0 ? result : kIniOk;
}

// The text of job's document: streamed when it can be, else built. 0 or the failing step's code.
int JobText(const Job& job, std::string* text)
{
    if (job.stream) {
        IniStream stream;
        const int result = job.stream(stream);
        if (result >= 0) {
            *text = stream.TakeText();
            return kIniOk;
        }
        if (result != kIniNotStreamable || !job.build)
            return result;
    }
    return BuildText(job.build, text);
}

void Finish(const Job& job)
{
    int result = kIniOk;
    if (job.build || job.stream) {
        std::string text;
        try {
            result = JobText(job, &text);
        } catch (const std::bad_alloc&) {
            result = kIniOutOfMemory;
        }
        // An incomplete document is not written: it would replace a good file with a partial one.
        job.done(job.user, result < 0 ? result : IniReplaceWithText(job.prepared, text));
        return;
    }
    job.done(job.user, IniReplaceWithText(job.prepared, job.text));
}

#ifndef _WIN32

// Enough files under way at once for their waits to overlap. Measured with a fleet's thousand
// backups: on a journaled file system 32 syncs under way share commits that 8 could not (a
// fifth less time), where syncs cost nothing 32 cost no more than 8, and 64 gained nothing
// more. A worker is a thread made when a file finds none idle; an idle one sleeps.
constexpr size_t kMaxWorkers = 32;

class Workers {
public:
    ~Workers()
    {
        // What is queued is still finished: the caller was told it would be.
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        for (std::thread& t : threads_)
            t.join();
    }

    void Add(Job job)
    {
        std::unique_lock lock(mutex_);
        if (idle_ == 0 && threads_.size() < kMaxWorkers) {
            try {
                threads_.emplace_back([this] { Serve(); });
            } catch (const std::system_error&) {
                // No thread to be had: the ones there serve the job, or this thread does.
                if (threads_.empty()) {
                    lock.unlock();
                    Finish(job);
                    return;
                }
            }
        }
        try {
            jobs_.push_back(std::move(job));
        } catch (const std::bad_alloc&) {
            lock.unlock();
            Finish(job);
            return;
        }
        lock.unlock();
        wake_.notify_one();
    }

    // True the first time a folder is named: its leftovers are removed then.
    bool FirstWriteInto(const std::string& folder)
    {
        std::lock_guard lock(mutex_);
        return cleanedFolders_.insert(folder).second;
    }

private:
    void Serve()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            ++idle_;
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            --idle_;
            if (jobs_.empty())
                return;
            const Job job = std::move(jobs_.front());
            jobs_.pop_front();
            lock.unlock();
            Finish(job);
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    std::vector<std::thread> threads_;
    std::set<std::string> cleanedFolders_;
    size_t idle_ = 0;
    bool stopping_ = false;
};

#else

// Windows builds of the store run without worker threads: a write ends before it returns.
class Workers {
public:
    void Add(const Job& job) { Finish(job); }
    bool FirstWriteInto(const std::string& folder) { return cleanedFolders_.insert(folder).second; }

private:
    std::set<std::string> cleanedFolders_;
};

#endif

Workers& TheWorkers()
{
    static Workers workers;
    return workers;
}

// Checks the target on the caller's thread, renders doc (if any) there too, and queues the rest.
int StartWrite(const char* path, IniText doc, Job job)
{
    if (const int result = IniPrepareWrite(path, IniStaleTempFiles::Keep, &job.prepared); result < 0)
        return result;
    // Earlier writers' leftovers are looked for once a run in each folder, not for every file.
    if (const std::string folder = IniFolderOf(job.prepared.target); TheWorkers().FirstWriteInto(folder))
        IniRemoveStaleTempFiles(folder);
    if (doc != nullptr)
        if (const int result = Ini_WriteGeneric(doc, AppendLine, &job.text); result < 0)
            return result;
    TheWorkers().Add(std::move(job));
    return kIniOk;
}

}  // namespace

int Ini_WriteToFileInBackground(IniText doc, const char* path, IniWriteDone done, void* user)
{
    if (doc == nullptr || path == nullptr || done == nullptr)
        return kIniNullArgument;
    try {
        return StartWrite(path, doc, Job{{}, {}, done, user, {}, {}});
    } catch (const std::bad_alloc&) {
        return kIniOutOfMemory;
    }
}

int Ini_BuildAndWriteInBackground(const char* path, IniBuild build, IniWriteDone done, void* user)
{
    if (path == nullptr || !build || done == nullptr)
        return kIniNullArgument;
    try {
        return StartWrite(path, nullptr, Job{{}, {}, done, user, std::move(build), {}});
    } catch (const std::bad_alloc&) {
        return kIniOutOfMemory;
    }
}

int Ini_BuildAndWriteInBackground(const char* path, IniStreamBuild stream, IniBuild build, IniWriteDone done,
                                  void* user)
{
    if (path == nullptr || !stream || !build || done == nullptr)
        return kIniNullArgument;
    try {
        return StartWrite(path, nullptr, Job{{}, {}, done, user, std::move(build), std::move(stream)});
    } catch (const std::bad_alloc&) {
        return kIniOutOfMemory;
    }
}
