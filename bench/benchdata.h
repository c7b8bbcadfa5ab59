// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers
#pragma once

// What both sides of the benchmark share: the data set, where its files
// live, the settings of the run and the names of the operations, so that the
// report can pair each of ours with its SQLite counterpart.

#include <QByteArray>
#include <QString>

#include <array>
#include <string>

namespace bench {

// A hundred years of notes, one a day, and a long task list.
constexpr int kNoteCount = 36525;
constexpr int kTaskCount = 10000;

// Benchmarks that add records take the added ones out again every so many
// iterations, outside the timed part, so the tables stay within this many
// records of their starting size. AppendNoteAfterOpen measures the first add
// after an open on its own.
constexpr int kRestoreBatch = 64;

// Each run of AppendNoteAfterOpen reopens the file outside the timed part,
// which for our notes file takes longer than the append: a fixed count keeps
// the whole run short.
constexpr int kAfterOpenRuns = 30;

double NoteDay(int i);          // date-time of note i (0-based), a midnight
double LastNoteDay();
double DayAfterLastNote(int k); // k-th day past the last note (0-based)
const QByteArray &NoteText(int i);  // code page 936 bytes, 50 to 300 long
const QByteArray &TaskName(int i);  // code page 936 bytes, under 50
bool TaskDone(int i);

struct Settings {
    QString workDir;            // a temporary directory, removed at the end
    bool syncs = false;         // sync every change on both sides, or on neither
};
Settings &settings();

enum class Op { FindLastDayNote, ModifyNote, AppendNote, AppendNoteAfterOpen, ReadAllTasks,
                AddTask, DeleteFirstTask, OpenNotes, OpenTasks };
struct OpInfo {
    Op op;
    const char *name;     // benchmark name stem: "<name>/ours", "<name>/sqlite_wal", ...
    const char *label;    // what the report line says
};
inline constexpr std::array<OpInfo, 9> kOps{{
    {Op::FindLastDayNote, "FindLastDayNote", "find the last day's note from the first record"},
    {Op::ModifyNote, "ModifyNote", "store a note by modify"},
    {Op::AppendNote, "AppendNote", "store a note by append"},
    {Op::AppendNoteAfterOpen, "AppendNoteAfterOpen", "store a note by append, first after open"},
    {Op::ReadAllTasks, "ReadAllTasks", "read all tasks in order"},
    {Op::AddTask, "AddTask", "add a task"},
    {Op::DeleteFirstTask, "DeleteFirstTask", "delete the first task (delete + purge)"},
    {Op::OpenNotes, "OpenNotes", "open the notes file"},
    {Op::OpenTasks, "OpenTasks", "open the tasks file"},
}};
std::string BenchName(Op op, const char *side);

// SQLite runs twice, in the two journal modes that keep a file whole through
// a crash: write-ahead log, and rollback journal (SQLite's default). Neither
// is best at everything, so both are baselines.
enum class SqliteJournal { Wal, Delete };
inline constexpr std::array<SqliteJournal, 2> kSqliteJournals{SqliteJournal::Wal,
                                                              SqliteJournal::Delete};
inline const char *JournalName(SqliteJournal j) { return j == SqliteJournal::Wal ? "wal" : "delete"; }
inline const char *SideName(SqliteJournal j)
{
    return j == SqliteJournal::Wal ? "sqlite_wal" : "sqlite_delete";
}

// Each side builds its files in the work directory once (a build that fails
// returns the reason), then registers its benchmark of each operation.
QString BuildStoreFiles();
void RegisterStoreBenchmark(Op op);
QString BuildSqliteFiles(SqliteJournal j);
void RegisterSqliteBenchmark(Op op, SqliteJournal j);

} // namespace bench
