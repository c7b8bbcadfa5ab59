// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

// The baseline: the same operations on SQLite, a notes table indexed on the
// day and a tasks table keyed by an integer id. Each statement is its own
// transaction, as each store operation writes through at once. The texts are
// code page 936 bytes, so they are stored as blobs.

#include "benchdata.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QByteArray>
#include <QFile>

#include <cstdint>
#include <memory>
#include <string>

namespace bench {
namespace {

struct CloseDb {
    void operator()(sqlite3 *db) const { sqlite3_close(db); }
};
using Db = std::unique_ptr<sqlite3, CloseDb>;

struct FinalizeStatement {
    void operator()(sqlite3_stmt *s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

QString notesPath(SqliteJournal j)
{
    return settings().workDir + QStringLiteral("/notes-%1.sqlite").arg(QLatin1String(JournalName(j)));
}
QString tasksPath(SqliteJournal j)
{
    return settings().workDir + QStringLiteral("/tasks-%1.sqlite").arg(QLatin1String(JournalName(j)));
}

std::string lastError(sqlite3 *db) { return std::string("sqlite: ") + sqlite3_errmsg(db); }

// The connection settings every open makes. The store holds an exclusive
// lock on a file while it is open; SQLite's exclusive locking mode is the
// like of that, and spares it a lock and unlock per transaction.
bool configure(sqlite3 *db, SqliteJournal j)
{
    const std::string pragmas = std::string("PRAGMA locking_mode=EXCLUSIVE; PRAGMA synchronous=")
        + (settings().syncs ? "FULL" : "OFF") + ";";
    if (sqlite3_exec(db, pragmas.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        return false;
    // A journal mode that the file system cannot give falls back silently:
    // check that the one asked for is the one in force.
    const std::string journal = std::string("PRAGMA journal_mode=") + JournalName(j);
    sqlite3_stmt *s = nullptr;
    if (sqlite3_prepare_v2(db, journal.c_str(), -1, &s, nullptr) != SQLITE_OK)
        return false;
    const bool inForce = sqlite3_step(s) == SQLITE_ROW
        && sqlite3_stricmp(reinterpret_cast<const char *>(sqlite3_column_text(s, 0)),
                           JournalName(j)) == 0;
    sqlite3_finalize(s);
    return inForce;
}

Db openDb(const QString &path, SqliteJournal j)
{
    sqlite3 *raw = nullptr;
    const int rc = sqlite3_open_v2(path.toLocal8Bit().constData(), &raw, SQLITE_OPEN_READWRITE,
                                   nullptr);
    Db db(raw);
    if (rc != SQLITE_OK || !configure(raw, j))
        return nullptr;
    return db;
}

Statement prepare(sqlite3 *db, const char *sql)
{
    sqlite3_stmt *s = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) != SQLITE_OK)
        return nullptr;
    return Statement(s);
}

// Binds without copying: every text outlives the step that reads it.
void bindText(sqlite3_stmt *s, int index, const QByteArray &text)
{
    sqlite3_bind_blob(s, index, text.constData(), int(text.size()), nullptr);
}

QByteArray columnText(sqlite3_stmt *s, int column)
{
    return QByteArray(static_cast<const char *>(sqlite3_column_blob(s, column)),
                      sqlite3_column_bytes(s, column));
}

// Runs a statement that returns no rows; false on an error.
bool run(sqlite3_stmt *s)
{
    const int rc = sqlite3_step(s);
    sqlite3_reset(s);
    return rc == SQLITE_DONE;
}

std::int64_t selectInteger(sqlite3 *db, const char *sql)
{
    Statement s = prepare(db, sql);
    if (!s || sqlite3_step(s.get()) != SQLITE_ROW)
        return -1;
    return sqlite3_column_int64(s.get(), 0);
}

// Opens the file for a benchmark, or ends it with the reason.
Db openFor(benchmark::State &state, const QString &path, SqliteJournal j)
{
    Db db = openDb(path, j);
    if (!db)
        state.SkipWithError("cannot open the SQLite file");
    return db;
}

void findLastDayNote(benchmark::State &state, SqliteJournal j)
{
    Db db = openFor(state, notesPath(j), j);
    if (!db)
        return;
    Statement find = prepare(db.get(), "SELECT note FROM notes WHERE day = ?1 LIMIT 1");
    if (!find) {
        state.SkipWithError(lastError(db.get()).c_str());
        return;
    }
    for (auto _ : state) {
        sqlite3_bind_double(find.get(), 1, LastNoteDay());
        if (sqlite3_step(find.get()) != SQLITE_ROW) {
            state.SkipWithError("the last day's note is missing");
            break;
        }
        QByteArray note = columnText(find.get(), 0);
        benchmark::DoNotOptimize(note);
        sqlite3_reset(find.get());
        if (note != NoteText(kNoteCount - 1)) {
            state.SkipWithError("the last day's note reads back wrong");
            break;
        }
    }
}

void modifyNote(benchmark::State &state, SqliteJournal j)
{
    Db db = openFor(state, notesPath(j), j);
    if (!db)
        return;
    Statement update = prepare(db.get(), "UPDATE notes SET note = ?2 WHERE day = ?1");
    if (!update) {
        state.SkipWithError(lastError(db.get()).c_str());
        return;
    }
    int k = 0;
    for (auto _ : state) {
        sqlite3_bind_double(update.get(), 1, LastNoteDay());
        bindText(update.get(), 2, NoteText(k++ % 2 == 0 ? 3 : kNoteCount - 1));
        if (!run(update.get()) || sqlite3_changes(db.get()) != 1) {
            state.SkipWithError(lastError(db.get()).c_str());
            break;
        }
    }
}

// Times `append` (the first one already made), taking the added rows out
// again every kRestoreBatch appends, outside the timed part, so every append
// meets a table of the same size.
void timeAppends(benchmark::State &state, sqlite3 *db, sqlite3_stmt *insert, sqlite3_stmt *restore,
                 bool (*append)(sqlite3_stmt *, int))
{
    int added = 1;
    for (auto _ : state) {
        if (added == kRestoreBatch) {
            state.PauseTiming();
            const bool restored = run(restore);
            added = 0;
            state.ResumeTiming();
            if (!restored) {
                state.SkipWithError(lastError(db).c_str());
                break;
            }
        }
        if (!append(insert, added++)) {
            state.SkipWithError(lastError(db).c_str());
            break;
        }
    }
    run(restore);
}

bool appendDay(sqlite3_stmt *insert, int k)
{
    sqlite3_bind_double(insert, 1, DayAfterLastNote(k));
    bindText(insert, 2, NoteText(k));
    return run(insert);
}

void appendNote(benchmark::State &state, SqliteJournal j)
{
    Db db = openFor(state, notesPath(j), j);
    if (!db)
        return;
    Statement insert = prepare(db.get(), "INSERT INTO notes(day, note) VALUES(?1, ?2)");
    Statement restore = prepare(db.get(), "DELETE FROM notes WHERE day > ?1");
    if (!insert || !restore || !appendDay(insert.get(), 0)) {
        state.SkipWithError(lastError(db.get()).c_str());
        return;
    }
    sqlite3_bind_double(restore.get(), 1, LastNoteDay());
    timeAppends(state, db.get(), insert.get(), restore.get(), appendDay);
}

// The first note of a new day after the program starts: the insert, its
// statement prepared, on a connection just opened.
void appendNoteAfterOpen(benchmark::State &state, SqliteJournal j)
{
    Db db = openFor(state, notesPath(j), j);
    for (auto _ : state) {
        if (!db)
            break;
        Statement insert = prepare(db.get(), "INSERT INTO notes(day, note) VALUES(?1, ?2)");
        if (!insert || !appendDay(insert.get(), 0)) {
            state.SkipWithError(lastError(db.get()).c_str());
            break;
        }
        state.PauseTiming();
        insert.reset();
        Statement restore = prepare(db.get(), "DELETE FROM notes WHERE day > ?1");
        if (restore)
            sqlite3_bind_double(restore.get(), 1, LastNoteDay());
        const bool restored = restore && run(restore.get());
        restore.reset();
        db.reset();   // its exclusive lock would keep the next connection out
        if (restored)
            db = openDb(notesPath(j), j);
        state.ResumeTiming();
        if (!db)
            state.SkipWithError("cannot restore and reopen the SQLite file");
    }
}

void readAllTasks(benchmark::State &state, SqliteJournal j)
{
    Db db = openFor(state, tasksPath(j), j);
    if (!db)
        return;
    Statement all = prepare(db.get(), "SELECT name, done FROM tasks ORDER BY id");
    if (!all) {
        state.SkipWithError(lastError(db.get()).c_str());
        return;
    }
    for (auto _ : state) {
        int count = 0;
        int done = 0;
        while (sqlite3_step(all.get()) == SQLITE_ROW) {
            QByteArray name = columnText(all.get(), 0);
            benchmark::DoNotOptimize(name);
            done += sqlite3_column_int(all.get(), 1) != 0;
            ++count;
        }
        sqlite3_reset(all.get());
        benchmark::DoNotOptimize(done);
        if (count != kTaskCount) {
            state.SkipWithError("the task list is not whole");
            break;
        }
    }
}

bool addOneTask(sqlite3_stmt *insert, int k)
{
    sqlite3_bind_int(insert, 1, kTaskCount + k + 1);
    bindText(insert, 2, TaskName(k));
    return run(insert);
}

void addTask(benchmark::State &state, SqliteJournal j)
{
    Db db = openFor(state, tasksPath(j), j);
    if (!db)
        return;
    const std::int64_t lastId = selectInteger(db.get(), "SELECT max(id) FROM tasks");
    Statement insert = prepare(db.get(), "INSERT INTO tasks(seq, name, done) VALUES(?1, ?2, 0)");
    Statement restore = prepare(db.get(), "DELETE FROM tasks WHERE id > ?1");
    if (lastId < 0 || !insert || !restore || !addOneTask(insert.get(), 0)) {
        state.SkipWithError(lastError(db.get()).c_str());
        return;
    }
    sqlite3_bind_int64(restore.get(), 1, lastId);
    timeAppends(state, db.get(), insert.get(), restore.get(), addOneTask);
}

// Deletes the first task, then appends one outside the timed part, so the
// list keeps its length and the first task is a different one each time.
void deleteFirstTask(benchmark::State &state, SqliteJournal j)
{
    Db db = openFor(state, tasksPath(j), j);
    if (!db)
        return;
    std::int64_t firstId = selectInteger(db.get(), "SELECT min(id) FROM tasks");
    Statement remove = prepare(db.get(), "DELETE FROM tasks WHERE id = ?1");
    Statement insert = prepare(db.get(), "INSERT INTO tasks(seq, name, done) VALUES(?1, ?2, 0)");
    if (firstId < 0 || !remove || !insert) {
        state.SkipWithError(lastError(db.get()).c_str());
        return;
    }
    int k = 0;
    for (auto _ : state) {
        sqlite3_bind_int64(remove.get(), 1, firstId);
        if (!run(remove.get()) || sqlite3_changes(db.get()) != 1) {
            state.SkipWithError("the first task was not deleted");
            break;
        }
        state.PauseTiming();
        ++firstId;
        const bool refilled = addOneTask(insert.get(), k++);
        state.ResumeTiming();
        if (!refilled) {
            state.SkipWithError(lastError(db.get()).c_str());
            break;
        }
    }
}

// An open counts once SQLite has read the schema, as the store's open reads
// and checks the header and the field descriptors.
void openFile(benchmark::State &state, const QString &path, SqliteJournal j, const char *sql)
{
    for (auto _ : state) {
        Db db = openDb(path, j);
        Statement s = db ? prepare(db.get(), sql) : nullptr;
        if (!s) {
            state.SkipWithError("cannot open the SQLite file");
            break;
        }
    }
}

bool exec(sqlite3 *db, const char *sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

} // namespace

QString BuildSqliteFiles(SqliteJournal j)
{
    QFile::remove(notesPath(j));
    QFile::remove(tasksPath(j));
    sqlite3 *raw = nullptr;
    sqlite3_open_v2(notesPath(j).toLocal8Bit().constData(), &raw,
                    SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    Db notes(raw);
    if (!notes || !configure(notes.get(), j)
        || !exec(notes.get(), "CREATE TABLE notes(day REAL NOT NULL, note BLOB NOT NULL);"
                              "CREATE INDEX notes_day ON notes(day); BEGIN;"))
        return QStringLiteral("cannot create the SQLite notes file");
    Statement insertNote = prepare(notes.get(), "INSERT INTO notes(day, note) VALUES(?1, ?2)");
    for (int i = 0; insertNote && i < kNoteCount; ++i) {
        sqlite3_bind_double(insertNote.get(), 1, NoteDay(i));
        bindText(insertNote.get(), 2, NoteText(i));
        if (!run(insertNote.get()))
            return QString::fromStdString(lastError(notes.get()));
    }
    if (!insertNote || !exec(notes.get(), "COMMIT;"))
        return QString::fromStdString(lastError(notes.get()));

    raw = nullptr;
    sqlite3_open_v2(tasksPath(j).toLocal8Bit().constData(), &raw,
                    SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    Db tasks(raw);
    if (!tasks || !configure(tasks.get(), j)
        || !exec(tasks.get(), "CREATE TABLE tasks(id INTEGER PRIMARY KEY, seq INTEGER NOT NULL,"
                              " name BLOB NOT NULL, done INTEGER NOT NULL); BEGIN;"))
        return QStringLiteral("cannot create the SQLite tasks file");
    Statement insertTask =
        prepare(tasks.get(), "INSERT INTO tasks(seq, name, done) VALUES(?1, ?2, ?3)");
    for (int i = 0; insertTask && i < kTaskCount; ++i) {
        sqlite3_bind_int(insertTask.get(), 1, i + 1);
        bindText(insertTask.get(), 2, TaskName(i));
        sqlite3_bind_int(insertTask.get(), 3, TaskDone(i));
        if (!run(insertTask.get()))
            return QString::fromStdString(lastError(tasks.get()));
    }
    if (!insertTask || !exec(tasks.get(), "COMMIT;"))
        return QString::fromStdString(lastError(tasks.get()));
    return {};
}

void RegisterSqliteBenchmark(Op op, SqliteJournal j)
{
    const std::string name = BenchName(op, SideName(j));
    const auto add = [&name, j](void (*fn)(benchmark::State &, SqliteJournal)) {
        return benchmark::RegisterBenchmark(name.c_str(),
                                            [fn, j](benchmark::State &state) { fn(state, j); });
    };
    switch (op) {
    case Op::FindLastDayNote: add(findLastDayNote); break;
    case Op::ModifyNote: add(modifyNote); break;
    case Op::AppendNote: add(appendNote); break;
    case Op::AppendNoteAfterOpen: add(appendNoteAfterOpen)->Iterations(kAfterOpenRuns); break;
    case Op::ReadAllTasks: add(readAllTasks); break;
    case Op::AddTask: add(addTask); break;
    case Op::DeleteFirstTask: add(deleteFirstTask); break;
    case Op::OpenNotes:
        benchmark::RegisterBenchmark(name.c_str(), [j](benchmark::State &state) {
            openFile(state, notesPath(j), j, "SELECT note FROM notes WHERE day = ?1");
        });
        break;
    case Op::OpenTasks:
        benchmark::RegisterBenchmark(name.c_str(), [j](benchmark::State &state) {
            openFile(state, tasksPath(j), j, "SELECT name, done FROM tasks ORDER BY id");
        });
        break;
    }
}

} // namespace bench
