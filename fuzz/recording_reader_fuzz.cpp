// Reads arbitrary bytes as a live-data recording, then checks what the reader promises of any
// input: the runs cover the samples in order without a gap, and a row read back writes again
// to a line the reader takes to the same sample.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "record/live_csv.h"
#include "record/live_csv_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    record::LiveRecording rec;
    if (!record::ParseLiveCsv(text, &rec))
        std::abort();
    size_t next = 0;
    for (const record::LiveRun& run : rec.runs) {
        if (run.first != next || run.count == 0)
            std::abort();
        next += run.count;
    }
    if (next != rec.samples.size() || (rec.skippedLines == 0) != (rec.firstSkippedLine == 0))
        std::abort();
    for (const record::LiveSample& s : rec.samples) {
        std::string row = record::LiveCsvRow(s);
        row.pop_back();  // the line end
        record::LiveSample again;
        if (!record::ParseLiveCsvRow(row, &again) || again.unixMs != s.unixMs || again.pass != s.pass ||
            again.r != s.r || again.colorNo != s.colorNo)
            std::abort();
    }
    return 0;
}
