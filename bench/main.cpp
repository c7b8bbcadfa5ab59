// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

// quillmere_bench: the record store against SQLite on the same data, in one
// run. After Google Benchmark's table it prints one line per operation with
// the ratio of our time to SQLite's in each journal mode (below 1: ours is
// faster).
//
// Own option, besides Google Benchmark's:
//   --syncs=off|on   exclude syncs on both sides (default), or make both sync
//                    every change (ours its data syncs, SQLite synchronous=FULL)

#include "benchdata.h"

#include "store/fileio.h"
#include "store/recordstore.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// Keeps the mean real time per iteration of every run that did not fail,
// while the console reporter prints the usual table.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    // Colours only on a terminal, as the library's own console reporter does.
    RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0)
                continue;
            Total &t = m_totals[run.run_name.function_name];
            t.seconds += run.real_accumulated_time;
            t.iterations += double(run.iterations);
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // Seconds per iteration, or a negative value when the benchmark did not run.
    double secondsPerIteration(const std::string &name) const
    {
        const auto it = m_totals.find(name);
        return it == m_totals.end() ? -1.0 : it->second.seconds / it->second.iterations;
    }

private:
    struct Total {
        double seconds = 0;
        double iterations = 0;
    };
    std::map<std::string, Total> m_totals;
};

std::string humanTime(double seconds)
{
    char buffer[32];
    if (seconds < 0)
        return "-";
    if (seconds >= 1e-3)
        std::snprintf(buffer, sizeof buffer, "%.2f ms", seconds * 1e3);
    else if (seconds >= 1e-6)
        std::snprintf(buffer, sizeof buffer, "%.2f us", seconds * 1e6);
    else
        std::snprintf(buffer, sizeof buffer, "%.0f ns", seconds * 1e9);
    return buffer;
}

std::string ratio(double ours, double theirs)
{
    if (ours < 0 || theirs <= 0)
        return "-";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", ours / theirs);
    return buffer;
}

void printRatios(const RatioReporter &reporter)
{
    std::printf("\nours/SQLite, real time per operation (below 1: ours is faster); "
                "syncs %s on both sides; SQLite locking_mode=EXCLUSIVE\n",
                bench::settings().syncs ? "included" : "excluded");
    std::printf("%-48s %10s %12s %8s %14s %8s\n", "operation", "ours", "SQLite wal", "ratio",
                "SQLite delete", "ratio");
    for (const bench::OpInfo &info : bench::kOps) {
        const double ours = reporter.secondsPerIteration(bench::BenchName(info.op, "ours"));
        const double wal = reporter.secondsPerIteration(
            bench::BenchName(info.op, bench::SideName(bench::SqliteJournal::Wal)));
        const double rollback = reporter.secondsPerIteration(
            bench::BenchName(info.op, bench::SideName(bench::SqliteJournal::Delete)));
        std::printf("%-48s %10s %12s %8s %14s %8s\n", info.label, humanTime(ours).c_str(),
                    humanTime(wal).c_str(), ratio(ours, wal).c_str(),
                    humanTime(rollback).c_str(), ratio(ours, rollback).c_str());
    }
    std::fflush(stdout);
}

// Takes our own options out of argv, leaving Google Benchmark's.
bool takeOwnOptions(int &argc, char **argv)
{
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (std::strcmp(arg, "--syncs=on") == 0) {
            bench::settings().syncs = true;
        } else if (std::strcmp(arg, "--syncs=off") == 0) {
            bench::settings().syncs = false;
        } else if (std::strncmp(arg, "--syncs", 7) == 0) {
            return false;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    argv[argc] = nullptr;
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (!takeOwnOptions(argc, argv)) {
        std::fprintf(stderr, "usage: %s [--syncs=off|on] [benchmark options]\n", argv[0]);
        return 2;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    QCoreApplication app(argc, argv);

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot make a temporary directory\n");
        return 1;
    }
    bench::settings().workDir = dir.path();

    // The files are built without syncs whatever the setting: only the
    // measured operations follow it.
    store::SetSyncEnabled(false);
    for (const QString &error :
         {bench::BuildStoreFiles(), bench::BuildSqliteFiles(bench::SqliteJournal::Wal),
          bench::BuildSqliteFiles(bench::SqliteJournal::Delete)}) {
        if (!error.isEmpty()) {
            std::fprintf(stderr, "cannot build the data files: %s\n", qPrintable(error));
            return 1;
        }
    }
    store::SetSyncEnabled(bench::settings().syncs);

    benchmark::AddCustomContext("data", std::to_string(bench::kNoteCount) + " notes, "
                                            + std::to_string(bench::kTaskCount) + " tasks");
    benchmark::AddCustomContext("syncs", bench::settings().syncs ? "included on both sides"
                                                                 : "excluded on both sides");
    benchmark::AddCustomContext("sqlite", std::string(sqlite3_libversion())
                                              + ", locking_mode=EXCLUSIVE, synchronous="
                                              + (bench::settings().syncs ? "FULL" : "OFF"));
    for (const bench::OpInfo &info : bench::kOps) {
        bench::RegisterStoreBenchmark(info.op);
        for (bench::SqliteJournal j : bench::kSqliteJournals)
            bench::RegisterSqliteBenchmark(info.op, j);
    }

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    printRatios(reporter);
    store::CloseAllTables();
    return 0;
}
