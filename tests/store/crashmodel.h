// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers
#pragma once

// Random changes to both schedule tables, shared by the crash test and the
// child it kills: both sides draw the same changes from the same seed and
// the same contents, so the test knows what each completed change did.

#include "rawfile.h"

#include "store/recordstore.h"
#include "store/schedule.h"

#include <QList>

#include <random>

namespace crash {

struct Contents {
    QList<raw::Note> notes;
    qint32 notesNextTag = 1;
    QList<raw::Task> tasks;
    qint32 tasksNextTag = 1;

    bool operator==(const Contents &) const = default;
};

inline Contents Read(const QString &directory)
{
    const QByteArray notes = raw::ReadBytes(directory + QStringLiteral("/shiwu.edb"));
    const QByteArray tasks = raw::ReadBytes(directory + QStringLiteral("/renwu.edb"));
    return {raw::Notes(notes), raw::I32(notes, 20), raw::Tasks(tasks), raw::I32(tasks, 20)};
}

enum class Kind { AddNote, ModifyNote, DeleteNote, PurgeNotes, AddTask, RenameTask, TickTask, DeleteTask, PurgeTasks };

struct Change {
    Kind kind = Kind::AddNote;
    int record = 0;        // 1-based
    double day = 0;
    QByteArray text;
    bool done = false;
};

inline QByteArray RandomText(std::mt19937 &rng, int maxLength)
{
    QByteArray text(std::uniform_int_distribution<int>(0, maxLength)(rng), 'a');
    for (char &c : text)
        c = static_cast<char>(std::uniform_int_distribution<int>('!', '~')(rng));
    return text;
}

inline Change Next(std::mt19937 &rng, const Contents &c)
{
    Change ch;
    // Tables stay small: deletes and purges grow likelier as they fill.
    const int notes = int(c.notes.size());
    const int tasks = int(c.tasks.size());
    std::discrete_distribution<int> pick({
        10.0, notes ? 10.0 : 0.0, notes ? notes / 4.0 : 0.0, notes / 8.0,
        10.0, tasks ? 6.0 : 0.0, tasks ? 6.0 : 0.0, tasks ? tasks / 4.0 : 0.0, tasks / 8.0,
    });
    ch.kind = static_cast<Kind>(pick(rng));
    const int count = ch.kind <= Kind::PurgeNotes ? notes : tasks;
    if (count > 0)
        ch.record = std::uniform_int_distribution<int>(1, count)(rng);
    ch.day = std::uniform_int_distribution<int>(40000, 50000)(rng);
    ch.text = RandomText(rng, ch.kind <= Kind::PurgeNotes ? 600 : 60);
    ch.done = rng() % 2 == 0;
    return ch;
}

inline void Apply(Contents &c, const Change &ch)
{
    const auto purge = [](auto &list) {
        list.removeIf([](const auto &r) { return r.tag <= 0; });
    };
    switch (ch.kind) {
    case Kind::AddNote:
        c.notes.append({c.notesNextTag++, ch.day, ch.text.left(512)});
        break;
    case Kind::ModifyNote:
        c.notes[ch.record - 1].text = ch.text.left(512);
        break;
    case Kind::DeleteNote:
        if (c.notes[ch.record - 1].tag > 0)
            c.notes[ch.record - 1].tag = -c.notes[ch.record - 1].tag;
        break;
    case Kind::PurgeNotes:
        purge(c.notes);
        break;
    case Kind::AddTask:
        c.tasks.append({c.tasksNextTag++, qint32(c.tasks.size() + 1), ch.text.left(50), false});
        break;
    case Kind::RenameTask:
        c.tasks[ch.record - 1].name = ch.text.left(50);
        break;
    case Kind::TickTask:
        c.tasks[ch.record - 1].done = ch.done;
        break;
    case Kind::DeleteTask:
        if (c.tasks[ch.record - 1].tag > 0)
            c.tasks[ch.record - 1].tag = -c.tasks[ch.record - 1].tag;
        break;
    case Kind::PurgeTasks:
        purge(c.tasks);
        break;
    }
}

// Makes the change through the store.
inline store::Status Perform(const Change &ch)
{
    using namespace store;
    const bool notes = ch.kind <= Kind::PurgeNotes;
    SelectTable(notes ? NotesTable() : TasksTable());
    if (ch.record > 0)
        GoTo(ch.record);
    switch (ch.kind) {
    case Kind::AddNote:
        return AddRecord({Value::ofDateTime(ch.day), Value::ofText(ch.text)});
    case Kind::ModifyNote:
        return ModifyRecord({std::nullopt, Value::ofText(ch.text)});
    case Kind::AddTask:
        return AddRecord({Value::ofInteger(RecordCount() + 1), Value::ofText(ch.text), Value::ofLogical(false)});
    case Kind::RenameTask:
        return ModifyRecord({std::nullopt, Value::ofText(ch.text)});
    case Kind::TickTask:
        return ModifyRecord({std::nullopt, std::nullopt, Value::ofLogical(ch.done)});
    case Kind::DeleteNote:
    case Kind::DeleteTask:
        return DeleteRecord();
    case Kind::PurgeNotes:
    case Kind::PurgeTasks:
        return PurgeDeleted();
    }
    return Status::success();
}

} // namespace crash
