// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers
#pragma once

// The program's two tables: "shiwu.edb" (table 事务, the day notes) and
// "renwu.edb" (table 任务, the tasks), both in the program's directory.

#include "recordstore.h"

namespace store {

// Table and field names as code page 936 bytes.
const Text &NotesTable();     // 事务
const Text &NoteDateField();  // 日期
const Text &NoteTextField();  // 事务
const Text &TasksTable();     // 任务
const Text &TaskNumberField();// 序号
const Text &TaskNameField();  // 任务
const Text &TaskDoneField();  // 完成

constexpr std::int32_t kNoteWidth = 512;
constexpr std::int32_t kTaskNameWidth = 50;

struct ScheduleOpen {
    enum class Outcome { Opened, AlreadyOpen, Failed };
    Outcome outcome = Outcome::Opened;
    QString message;   // for Failed: names the file and the reason
};

// Creates each missing file in `programDirectory` (never over an existing
// one), then opens both tables. Stops at the first failure; a file that
// exists is never changed by a failed open. A file locked by another running
// copy gives AlreadyOpen.
ScheduleOpen OpenScheduleTables(const QString &programDirectory);
Status CreateNotesTable(const QString &programDirectory);
Status CreateTasksTable(const QString &programDirectory);

} // namespace store
