#include "cli/diagnostics.h"

#include <cstdio>

namespace cli {

namespace {
std::string linePrefix;
}

void SetDiagnosticPrefix(const std::string& prefix) { linePrefix = prefix.empty() ? "" : prefix + ": "; }

void Diag(const std::string& text)
{
    // One write per message, so that lines of parallel processes stay whole.
    std::string out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        out += linePrefix + text.substr(start, end - start) + "\n";
        start = end + 1;
    }
    std::fputs(out.c_str(), stderr);
    std::fflush(stderr);
}

}  // namespace cli
