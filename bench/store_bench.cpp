// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

// Our side: the record store, driven the way the program drives it. Every
// operation first selects its table by name; a note is looked up by a scan
// from the first record with a condition that reads the day field.

#include "benchdata.h"

#include "store/recordstore.h"
#include "store/schedule.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <string>

namespace bench {
namespace {

constexpr double kEarliestDay = -657434.0;
constexpr double kLatestDay = 2958465.0;

QString notesPath() { return settings().workDir + QStringLiteral("/shiwu.edb"); }
QString tasksPath() { return settings().workDir + QStringLiteral("/renwu.edb"); }

// The day a stored date-time falls on, as the program compares days: clamped
// into the supported range, rounded to the second, cut to its midnight.
double dayOf(double value)
{
    const double clamped = std::clamp(value, kEarliestDay, kLatestDay);
    const double seconds = std::round(clamped * 86400.0) / 86400.0;
    return seconds < 0 ? std::trunc(seconds) : std::floor(seconds);
}

// True while the scan is on `day`'s record. A field of the wrong type stops
// the scan, which the caller reports.
struct IsDay {
    double day;
    bool *typeMismatch;
    bool operator()() const
    {
        const store::Value v = store::ReadField(store::NoteDateField());
        if (v.type != store::FieldType::DateTime) {
            *typeMismatch = true;
            return true;
        }
        return dayOf(v.dateTime) == std::clamp(day, kEarliestDay, kLatestDay);
    }
};

// Opens one table for the length of a benchmark.
class OpenedTable
{
public:
    OpenedTable(benchmark::State &state, const QString &path, const store::Text &name)
    {
        const store::Status status = store::OpenTable(path, name);
        m_ok = status.ok();
        if (!m_ok)
            state.SkipWithError(status.reason.toStdString().c_str());
    }
    ~OpenedTable() { store::CloseAllTables(); }
    OpenedTable(const OpenedTable &) = delete;
    OpenedTable &operator=(const OpenedTable &) = delete;
    bool ok() const { return m_ok; }

private:
    bool m_ok = false;
};

bool fail(benchmark::State &state, const store::Status &status)
{
    if (status.ok())
        return false;
    state.SkipWithError(status.reason.toStdString().c_str());
    return true;
}

// Marks the `count` records after the first `keep` and purges them, so a
// table that grew by appends is back to `keep` records.
store::Status dropAppended(std::int32_t keep, int count)
{
    if (count == 0)
        return store::Status::success();
    for (int k = 1; k <= count; ++k) {
        store::GoTo(keep + k);
        if (store::Status s = store::DeleteRecord(); !s)
            return s;
    }
    return store::PurgeDeleted();
}

void findLastDayNote(benchmark::State &state)
{
    OpenedTable table(state, notesPath(), store::NotesTable());
    if (!table.ok())
        return;
    bool mismatch = false;
    const IsDay isLastDay{LastNoteDay(), &mismatch};
    for (auto _ : state) {
        store::SelectTable(store::NotesTable());
        store::GoToFirst();
        if (!store::FindRecord(isLastDay) || mismatch) {
            state.SkipWithError("the last day's note is missing");
            break;
        }
        const store::Value note = store::ReadField(store::NoteTextField());
        benchmark::DoNotOptimize(note);
        if (note.type != store::FieldType::Text || note.text != NoteText(kNoteCount - 1)) {
            state.SkipWithError("the last day's note reads back wrong");
            break;
        }
    }
}

// As when a note that is shown is stored again: the current record is
// already the day's record, so the search from it stops at once.
void modifyNote(benchmark::State &state)
{
    OpenedTable table(state, notesPath(), store::NotesTable());
    if (!table.ok())
        return;
    bool mismatch = false;
    const IsDay isLastDay{LastNoteDay(), &mismatch};
    store::GoTo(kNoteCount);
    int k = 0;
    for (auto _ : state) {
        store::SelectTable(store::NotesTable());
        if (!store::FindRecord(isLastDay) || mismatch) {
            state.SkipWithError("the last day's note is missing");
            break;
        }
        const store::Values values{std::nullopt, store::Value::ofText(
                                                     NoteText(k++ % 2 == 0 ? 3 : kNoteCount - 1))};
        if (fail(state, store::ModifyRecord(values)))
            break;
    }
}

store::Status appendDay(int k)
{
    store::SelectTable(store::NotesTable());
    return store::AddRecord(
        {store::Value::ofDateTime(DayAfterLastNote(k)), store::Value::ofText(NoteText(k))});
}

void appendNote(benchmark::State &state)
{
    OpenedTable table(state, notesPath(), store::NotesTable());
    if (!table.ok() || fail(state, appendDay(0)))
        return;
    int added = 1;
    for (auto _ : state) {
        if (added == kRestoreBatch) {
            state.PauseTiming();
            store::Status restored = dropAppended(kNoteCount, added);
            added = 0;
            state.ResumeTiming();
            if (fail(state, restored))
                break;
        }
        if (fail(state, appendDay(added++)))
            break;
    }
    dropAppended(kNoteCount, added);
}

// The first note of a new day after the program starts: an append to a table
// just opened.
void appendNoteAfterOpen(benchmark::State &state)
{
    OpenedTable table(state, notesPath(), store::NotesTable());
    if (!table.ok())
        return;
    for (auto _ : state) {
        if (fail(state, appendDay(0)))
            break;
        state.PauseTiming();
        store::Status restored = dropAppended(kNoteCount, 1);
        store::CloseAllTables();
        if (restored)
            restored = store::OpenTable(notesPath(), store::NotesTable());
        state.ResumeTiming();
        if (fail(state, restored))
            break;
    }
}

void readAllTasks(benchmark::State &state)
{
    OpenedTable table(state, tasksPath(), store::TasksTable());
    if (!table.ok())
        return;
    for (auto _ : state) {
        store::SelectTable(store::TasksTable());
        const std::int32_t count = store::RecordCount();
        store::GoToFirst();
        int done = 0;
        bool typesMatch = true;
        for (std::int32_t i = 0; i < count; ++i) {
            const store::Value name = store::ReadField(store::TaskNameField());
            const store::Value mark = store::ReadField(store::TaskDoneField());
            benchmark::DoNotOptimize(name);
            typesMatch = typesMatch && name.type == store::FieldType::Text
                && mark.type == store::FieldType::Logical;
            done += mark.logical;
            store::Skip();
        }
        benchmark::DoNotOptimize(done);
        if (count != kTaskCount || !typesMatch) {
            state.SkipWithError("the task list is not whole");
            break;
        }
    }
}

store::Status addOneTask(int k)
{
    store::SelectTable(store::TasksTable());
    return store::AddRecord({store::Value::ofInteger(store::RecordCount() + 1),
                             store::Value::ofText(TaskName(k)), store::Value::ofLogical(false)});
}

void addTask(benchmark::State &state)
{
    OpenedTable table(state, tasksPath(), store::TasksTable());
    if (!table.ok() || fail(state, addOneTask(0)))
        return;
    int added = 1;
    for (auto _ : state) {
        if (added == kRestoreBatch) {
            state.PauseTiming();
            store::Status restored = dropAppended(kTaskCount, added);
            added = 0;
            state.ResumeTiming();
            if (fail(state, restored))
                break;
        }
        if (fail(state, addOneTask(added++)))
            break;
    }
    dropAppended(kTaskCount, added);
}

// Deletes the first task, then appends one outside the timed part, so the
// list keeps its length and the first task is a different one each time.
void deleteFirstTask(benchmark::State &state)
{
    OpenedTable table(state, tasksPath(), store::TasksTable());
    if (!table.ok())
        return;
    int k = 0;
    for (auto _ : state) {
        store::SelectTable(store::TasksTable());
        store::GoTo(1);
        if (fail(state, store::DeleteRecord()) || fail(state, store::PurgeDeleted()))
            break;
        state.PauseTiming();
        const bool purged = store::RecordCount() == kTaskCount - 1;
        const store::Status refilled = addOneTask(k++);
        state.ResumeTiming();
        if (!purged) {
            state.SkipWithError("the first task was not purged");
            break;
        }
        if (fail(state, refilled))
            break;
    }
}

void openFile(benchmark::State &state, const QString &path, const store::Text &name)
{
    for (auto _ : state) {
        const store::Status status = store::OpenTable(path, name);
        store::CloseAllTables();
        if (fail(state, status))
            break;
    }
}

} // namespace

QString BuildStoreFiles()
{
    // Whether the files land beside the current directory or in the folder
    // named, they land in the work directory.
    QDir::setCurrent(settings().workDir);
    QFile::remove(notesPath());
    QFile::remove(tasksPath());
    if (store::Status s = store::CreateNotesTable(settings().workDir); !s)
        return s.reason;
    if (store::Status s = store::CreateTasksTable(settings().workDir); !s)
        return s.reason;

    if (store::Status s = store::OpenTable(notesPath(), store::NotesTable()); !s)
        return s.reason;
    for (int i = 0; i < kNoteCount; ++i) {
        const store::Status s = store::AddRecord(
            {store::Value::ofDateTime(NoteDay(i)), store::Value::ofText(NoteText(i))});
        if (!s)
            return s.reason;
    }
    if (store::Status s = store::OpenTable(tasksPath(), store::TasksTable()); !s)
        return s.reason;
    for (int i = 0; i < kTaskCount; ++i) {
        const store::Status s = store::AddRecord({store::Value::ofInteger(i + 1),
                                                  store::Value::ofText(TaskName(i)),
                                                  store::Value::ofLogical(TaskDone(i))});
        if (!s)
            return s.reason;
    }
    store::CloseAllTables();
    return {};
}

void RegisterStoreBenchmark(Op op)
{
    const std::string name = BenchName(op, "ours");
    switch (op) {
    case Op::FindLastDayNote: benchmark::RegisterBenchmark(name.c_str(), findLastDayNote); break;
    case Op::ModifyNote: benchmark::RegisterBenchmark(name.c_str(), modifyNote); break;
    case Op::AppendNote: benchmark::RegisterBenchmark(name.c_str(), appendNote); break;
    case Op::AppendNoteAfterOpen:
        benchmark::RegisterBenchmark(name.c_str(), appendNoteAfterOpen)->Iterations(kAfterOpenRuns);
        break;
    case Op::ReadAllTasks: benchmark::RegisterBenchmark(name.c_str(), readAllTasks); break;
    case Op::AddTask: benchmark::RegisterBenchmark(name.c_str(), addTask); break;
    case Op::DeleteFirstTask: benchmark::RegisterBenchmark(name.c_str(), deleteFirstTask); break;
    case Op::OpenNotes:
        benchmark::RegisterBenchmark(name.c_str(), [](benchmark::State &state) {
            openFile(state, notesPath(), store::NotesTable());
        });
        break;
    case Op::OpenTasks:
        benchmark::RegisterBenchmark(name.c_str(), [](benchmark::State &state) {
            openFile(state, tasksPath(), store::TasksTable());
        });
        break;
    }
}

} // namespace bench
