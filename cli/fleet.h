// Several sensors at once. The link serves one conversation per process, so each sensor gets a
// child process of its own: a copy of this program made with fork() before the run-time starts,
// which runs the subcommand for its sensor and writes its result to a pipe. At most `jobs`
// children run at once; each child's output is printed whole when it ends, so results of
// different sensors never interleave. SIGINT and SIGTERM are passed on to the children, and no
// new ones are started after them.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace cli {

// Runs run(i) for i = 0 .. count - 1 in child processes; run returns the child's exit code and
// writes its result to standard output. When a child ends without any output (killed, crashed)
// lost(i, reason) gives the line printed in its place. Returns the highest exit code, or
// fallbackCode for a child that did not exit normally.
int RunFleet(size_t count, int jobs, const std::function<int(size_t)>& run,
             const std::function<std::string(size_t, const std::string&)>& lost, int fallbackCode);

}  // namespace cli
