// The settings store on a parameter-file-sized document beside Qt's QSettings reading the same
// file, in one run: the sections and keys of the parameter file (GENERAL INFO, PARAMETER with
// its 17 keys, 64 TEACH VECTOR sections with 7 keys each: 66 sections, 467 items).
//
//   bench_ini_vs_qsettings [repetitions]      (default 200)
//
// Like for like: both read a file the other has never seen (every repetition reads a copy of
// its own, since QSettings keeps parsed files in a process-wide cache and would not parse an
// unchanged file twice), and both get every item with keys built beforehand. The differences
// that remain are the stores' own: our gets take section and tag apart and match them without
// case and surrounding blanks by walking the document; QSettings looks "SECTION/KEY" up in a
// sorted map, case-sensitively. Our write renames a flushed (fsync) temporary file into place;
// its text alone is timed too, through a sink into memory. Last, a parameter file behind 2000
// other sections is loaded beside the file alone; their cost per line is compared.
#include <QSettings>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "bench/bench_support.h"
#include "ini/inifile.h"
#include "params/parameter_file_layout.h"
#include "params/parameter_set.h"

namespace {

constexpr int kManySections = 2000;

struct Item {
    std::string section, tag;
    bool isString = false;
    int32_t number = 0;
    std::string text;
};

// The parameter file's layout with plausible values.
std::vector<Item> ParameterFileItems()
{
    std::vector<Item> items;
    items.push_back({kGeneralInfoSection, kFileTypeKey, true, 0, kFileTypeValue});
    items.push_back({kGeneralInfoSection, kVersionKey, true, 0, kVersionValue});
    for (int i = 0; i < kParameterCount; ++i)
        items.push_back({kParameterSection, kParameterKeys[i], false, 100 * i + 7, {}});
    for (int row = 0; row < kTeachRows; ++row)
        for (int w = 0; w < kSavedTeachWords; ++w)
            items.push_back({TeachSectionName(row).text, kTeachKeys[w], false, 1000 + 37 * row + w, {}});
    return items;
}

IniText Build(const std::vector<Item>& items)
{
    IniText doc = Ini_New(0);
    for (const Item& it : items) {
        if (it.isString)
            Ini_PutString(doc, it.section.c_str(), it.tag.c_str(), it.text.c_str());
        else
            Ini_PutInt(doc, it.section.c_str(), it.tag.c_str(), it.number);
    }
    return doc;
}

using Clock = std::chrono::steady_clock;
double Micros(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::micro>(b - a).count();
}

// Sums what the gets return, so that neither side's gets can be skipped, and counts the hits.
struct Check {
    long long sum = 0;
    int found = 0;
};

Check GetAll(IniText doc, const std::vector<Item>& items)
{
    Check c;
    char buffer[256];
    for (const Item& it : items) {
        if (it.isString) {
            if (Ini_GetStringIntoBuffer(doc, it.section.c_str(), it.tag.c_str(), buffer, sizeof buffer) == kIniFound) {
                ++c.found;
                c.sum += static_cast<long long>(std::string(buffer).size());
            }
        } else {
            int32_t v = 0;
            if (Ini_GetInt(doc, it.section.c_str(), it.tag.c_str(), &v) == kIniFound) {
                ++c.found;
                c.sum += v;
            }
        }
    }
    return c;
}

Check GetAll(QSettings& s, const std::vector<Item>& items, const QStringList& keys)
{
    Check c;
    for (size_t i = 0; i < items.size(); ++i) {
        const QVariant v = s.value(keys[static_cast<qsizetype>(i)]);
        if (!v.isValid())
            continue;
        ++c.found;
        if (items[i].isString)
            c.sum += v.toString().toUtf8().size();
        else
            c.sum += v.toInt();
    }
    return c;
}

int CountLines(IniText doc)
{
    int lines = 0;
    Ini_WriteGeneric(
        doc, [](void* data, const char*) { ++*static_cast<int*>(data); return 0; }, &lines);
    return lines;
}

struct Series {
    const char* name;
    std::vector<double> micros;
};

void PrintRow(const Series& s)
{
    std::printf("  %-48s %9.1f us  (%.1f..%.1f)\n", s.name, bench::Median(s.micros), bench::Min(s.micros),
                bench::Max(s.micros));
}

}  // namespace

int main(int argc, char** argv)
{
    const int repetitions = argc > 1 ? std::atoi(argv[1]) : 200;
    if (repetitions < 1) {
        std::fprintf(stderr, "usage: bench_ini_vs_qsettings [repetitions]\n");
        return 2;
    }
    bench::TempDir dir;
    if (!bench::StartRunTime(argc, argv, dir))
        return 2;

    const std::vector<Item> items = ParameterFileItems();
    QStringList keys;
    for (const Item& it : items)
        keys << QString::fromStdString(it.section + "/" + it.tag);
    IniText source = Build(items);

    Series build{"build (Ini_New + every put)", {}}, text{"text only (Ini_WriteGeneric to memory)", {}},
        write{"write (Ini_WriteToFile, fsync + rename)", {}}, read{"read (Ini_ReadFromFile, new document)", {}},
        gets{"all gets (Ini_GetInt / Ini_GetStringIntoBuffer)", {}},
        qread{"QSettings read (construct on a new file)", {}}, qgets{"QSettings all gets (value(\"SECTION/KEY\"))", {}},
        qcached{"QSettings re-open of an unchanged file (cached)", {}};

    // Every repetition writes a copy of its own: the timed write, then the files both readers
    // open for the first time.
    Check ours, theirs;
    for (int r = 0; r < repetitions; ++r) {
        auto t0 = Clock::now();
        IniText built = Build(items);
        auto t1 = Clock::now();
        build.micros.push_back(Micros(t0, t1));
        Ini_Dispose(built);

        std::string sink;
        t0 = Clock::now();
        Ini_WriteGeneric(
            source,
            [](void* data, const char* line) {
                auto* s = static_cast<std::string*>(data);
                s->append(line);
                s->append("\r\n");
                return 0;
            },
            &sink);
        t1 = Clock::now();
        text.micros.push_back(Micros(t0, t1));

        const std::string mine = dir.path + "/ini-" + std::to_string(r) + ".par";
        const std::string qts = dir.path + "/qs-" + std::to_string(r) + ".par";
        t0 = Clock::now();
        const int written = Ini_WriteToFile(source, mine.c_str());
        t1 = Clock::now();
        write.micros.push_back(Micros(t0, t1));
        if (written != 0 || Ini_WriteToFile(source, qts.c_str()) != 0) {
            std::fprintf(stderr, "write failed: %d\n", written);
            return 1;
        }

        t0 = Clock::now();
        IniText doc = Ini_New(0);
        const int loaded = Ini_ReadFromFile(doc, mine.c_str());
        t1 = Clock::now();
        ours = GetAll(doc, items);
        auto t2 = Clock::now();
        read.micros.push_back(Micros(t0, t1));
        gets.micros.push_back(Micros(t1, t2));
        Ini_Dispose(doc);
        if (loaded != 0) {
            std::fprintf(stderr, "read failed: %d\n", loaded);
            return 1;
        }

        t0 = Clock::now();
        {
            QSettings settings(QString::fromStdString(qts), QSettings::IniFormat);
            t1 = Clock::now();
            theirs = GetAll(settings, items, keys);
            t2 = Clock::now();
        }
        qread.micros.push_back(Micros(t0, t1));
        qgets.micros.push_back(Micros(t1, t2));

        t0 = Clock::now();
        {
            QSettings again(QString::fromStdString(qts), QSettings::IniFormat);
            t1 = Clock::now();
        }
        qcached.micros.push_back(Micros(t0, t1));
    }

    std::printf("settings store vs QSettings: %zu items in 66 sections, %d lines, %d repetitions,\n"
                "files in %s; median per operation (min..max)\n",
                items.size(), CountLines(source), repetitions, dir.path.c_str());
    for (const Series* s : {&build, &text, &write, &read, &gets, &qread, &qgets, &qcached})
        PrintRow(*s);
    std::printf("  check: ours found %d of %zu (sum %lld), QSettings found %d (sum %lld)%s\n", ours.found,
                items.size(), ours.sum, theirs.found, theirs.sum,
                ours.found == theirs.found && ours.sum == theirs.sum ? "" : "  [MISMATCH]");
    const double r = bench::Median(read.micros), g = bench::Median(gets.micros);
    const double qr = bench::Median(qread.micros), qg = bench::Median(qgets.micros);
    std::printf("  ratios ours / QSettings: read %.2f, all gets %.2f, read + all gets %.2f\n", r / qr, g / qg,
                (r + g) / (qr + qg));
    std::printf("  per get: ours %.3f us, QSettings %.3f us\n", g / static_cast<double>(items.size()),
                qg / static_cast<double>(items.size()));
    Ini_Dispose(source);

    // A parameter file among many other sections (another program's, or files merged): loading
    // it, a read and the gets of the parameter file, should cost what its lines cost, not the
    // number of sections times the number of gets. The other sections come first, where a walk
    // from the front would meet them on every get.
    IniText many = Ini_New(0);
    for (int i = 0; i < kManySections; ++i)
        Ini_PutInt(many, ("OTHER SECTION " + std::to_string(i)).c_str(), "VALUE", i);
    for (const Item& it : items) {
        if (it.isString)
            Ini_PutString(many, it.section.c_str(), it.tag.c_str(), it.text.c_str());
        else
            Ini_PutInt(many, it.section.c_str(), it.tag.c_str(), it.number);
    }
    IniText plain = Build(items);
    const std::string manyPath = dir.path + "/many.par";
    const std::string plainPath = dir.path + "/plain.par";
    const int manyLines = CountLines(many);
    const int plainLines = CountLines(plain);
    if (Ini_WriteToFile(many, manyPath.c_str()) != 0 || Ini_WriteToFile(plain, plainPath.c_str()) != 0) {
        std::fprintf(stderr, "write failed\n");
        return 1;
    }
    Ini_Dispose(many);
    Ini_Dispose(plain);
    // Alternating, so that both see the same machine.
    Series loadMany{"load among many sections (read + all gets)", {}}, loadPlain{"load of the file alone", {}};
    Check manyCheck, plainCheck;
    const int loads = repetitions < 20 ? repetitions : repetitions / 4;
    for (int r = 0; r < loads; ++r) {
        for (auto [path, series, check] : {std::tuple{&manyPath, &loadMany, &manyCheck},
                                           std::tuple{&plainPath, &loadPlain, &plainCheck}}) {
            const auto t0 = Clock::now();
            IniText doc = Ini_New(0);
            Ini_ReadFromFile(doc, path->c_str());
            *check = GetAll(doc, items);
            const auto t1 = Clock::now();
            Ini_Dispose(doc);
            series->micros.push_back(Micros(t0, t1));
        }
    }
    std::printf("parameter file after %d other sections (%d lines) and alone (%d lines), %d loads each\n",
                kManySections, manyLines, plainLines, loads);
    PrintRow(loadMany);
    PrintRow(loadPlain);
    std::printf("  check: found %d and %d of %zu%s\n", manyCheck.found, plainCheck.found, items.size(),
                manyCheck.found == plainCheck.found && manyCheck.sum == plainCheck.sum ? "" : "  [MISMATCH]");
    const double perLineMany = bench::Median(loadMany.micros) / manyLines;
    const double perLinePlain = bench::Median(loadPlain.micros) / plainLines;
    bench::PrintRatio("many_sections_load_per_line", perLinePlain > 0 ? perLineMany / perLinePlain : 0, "<=", 1.5);
    return 0;
}
