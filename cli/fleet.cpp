#include "cli/fleet.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace cli {

namespace {

volatile sig_atomic_t stopRequested = 0;

void OnStop(int) { stopRequested = 1; }

struct Child {
    size_t index = 0;
    pid_t pid = -1;
    int out = -1;  // read end of the child's standard output
    std::string output;
};

void WriteAll(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

// Returns the child's pid, or -1 (the caller reports it as lost).
pid_t Start(size_t index, const std::vector<Child>& running, const std::function<int(size_t)>& run,
            int* readEnd)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return -1;
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return -1;
    }
    if (pid == 0) {
        // The child: only its own pipe stays open, so each parent read ends when its child does.
        for (const Child& c : running)
            ::close(c.out);
        ::close(fds[0]);
        ::dup2(fds[1], STDOUT_FILENO);
        ::close(fds[1]);
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        const int code = run(index);
        std::fflush(stdout);
        std::fflush(stderr);
        // No static destructors: they belong to the parent's copy of the program.
        ::_exit(code);
    }
    ::close(fds[1]);
    *readEnd = fds[0];
    return pid;
}

}  // namespace

int RunFleet(size_t count, int jobs, const std::function<int(size_t)>& run,
             const std::function<std::string(size_t, const std::string&)>& lost, int fallbackCode)
{
    struct sigaction action {};
    action.sa_handler = OnStop;
    sigemptyset(&action.sa_mask);
    struct sigaction oldInt {}, oldTerm {};
    sigaction(SIGINT, &action, &oldInt);
    sigaction(SIGTERM, &action, &oldTerm);

    int worst = 0;
    size_t next = 0;
    // Results are printed in the order of the sensor list, each as soon as every sensor before
    // it has been printed: a script reads line i as the result of sensor i.
    std::vector<std::string> results(count);
    std::vector<bool> finished(count, false);
    size_t printed = 0;
    const auto finish = [&](size_t index, std::string text) {
        results[index] = std::move(text);
        finished[index] = true;
        for (; printed < count && finished[printed]; ++printed) {
            WriteAll(results[printed]);
            results[printed] = std::string();
        }
    };
    std::vector<Child> running;
    bool forwarded = false;
    const size_t limit = static_cast<size_t>(std::max(1, jobs));

    while (next < count || !running.empty()) {
        while (!stopRequested && next < count && running.size() < limit) {
            Child child;
            child.index = next++;
            child.pid = Start(child.index, running, run, &child.out);
            if (child.pid < 0) {
                finish(child.index, lost(child.index, std::string("cannot start a process: ") + std::strerror(errno)));
                worst = std::max(worst, fallbackCode);
                continue;
            }
            running.push_back(std::move(child));
        }
        if (stopRequested && !forwarded) {
            for (const Child& c : running)
                ::kill(c.pid, SIGTERM);
            forwarded = true;
        }
        if (running.empty())
            break;

        std::vector<pollfd> fds;
        for (const Child& c : running)
            fds.push_back(pollfd{c.out, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (size_t i = fds.size(); i-- > 0;) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            Child& c = running[i];
            char buffer[4096];
            const ssize_t n = ::read(c.out, buffer, sizeof buffer);
            if (n > 0) {
                c.output.append(buffer, static_cast<size_t>(n));
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            // End of the child's output: collect its exit status.
            ::close(c.out);
            int status = 0;
            while (::waitpid(c.pid, &status, 0) < 0 && errno == EINTR) {
            }
            int code = fallbackCode;
            std::string why;
            if (WIFEXITED(status)) {
                code = WEXITSTATUS(status);
            } else if (WIFSIGNALED(status)) {
                why = std::string("ended by signal ") + std::to_string(WTERMSIG(status)) + " (" +
                      strsignal(WTERMSIG(status)) + ")";
            }
            if (c.output.empty() || !why.empty()) {
                finish(c.index, c.output + lost(c.index, why.empty() ? "ended without a result" : why));
                code = std::max(code, fallbackCode);
            } else {
                finish(c.index, std::move(c.output));
            }
            worst = std::max(worst, code);
            running.erase(running.begin() + static_cast<long>(i));
        }
    }
    // Sensors never started because of a stop request still get their line.
    for (; next < count; ++next) {
        finish(next, lost(next, "not started: interrupted"));
        worst = std::max(worst, fallbackCode);
    }
    sigaction(SIGINT, &oldInt, nullptr);
    sigaction(SIGTERM, &oldTerm, nullptr);
    return worst;
}

}  // namespace cli
