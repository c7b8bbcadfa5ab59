// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

#include "store/schedule.h"

#include <QDir>
#include <QFileInfo>
#include <QStringEncoder>

#include <cerrno>

namespace store {

namespace {

Text cp936(QStringView text)
{
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

QString notesPath(const QString &programDirectory)
{
    return programDirectory + QStringLiteral("/shiwu.edb");
}

QString tasksPath(const QString &programDirectory)
{
    return programDirectory + QStringLiteral("/renwu.edb");
}

// A file that appeared since we looked was made by another copy starting at
// the same moment; opening it will tell.
Status createIfMissing(const QString &path, const std::vector<FieldDescriptor> &fields)
{
    const Status s = CreateRecordFileAt(path, fields, false);
    if (!s && s.code == Status::Code::Io && QFileInfo::exists(path))
        return Status::success();
    return s;
}

ScheduleOpen failed(const QString &path, const QString &action, const Status &s)
{
    return {ScheduleOpen::Outcome::Failed,
            QStringLiteral("%1日程文件“%2”失败：%3")
                .arg(action, QDir::toNativeSeparators(path), s.reason)};
}

} // namespace

const Text &NotesTable()
{
    static const Text name = cp936(u"事务");
    return name;
}

const Text &NoteDateField()
{
    static const Text name = cp936(u"日期");
    return name;
}

const Text &NoteTextField()
{
    static const Text name = cp936(u"事务");
    return name;
}

const Text &TasksTable()
{
    static const Text name = cp936(u"任务");
    return name;
}

const Text &TaskNumberField()
{
    static const Text name = cp936(u"序号");
    return name;
}

const Text &TaskNameField()
{
    static const Text name = cp936(u"任务");
    return name;
}

const Text &TaskDoneField()
{
    static const Text name = cp936(u"完成");
    return name;
}

Status CreateNotesTable(const QString &programDirectory)
{
    std::vector<FieldDescriptor> fields(2);
    fields[0].name = NoteDateField();
    fields[0].type = std::int32_t(FieldType::DateTime);
    fields[1].name = NoteTextField();
    fields[1].type = std::int32_t(FieldType::Text);
    fields[1].width = kNoteWidth;
    return createIfMissing(notesPath(programDirectory), fields);
}

Status CreateTasksTable(const QString &programDirectory)
{
    std::vector<FieldDescriptor> fields(3);
    fields[0].name = TaskNumberField();
    fields[0].type = std::int32_t(FieldType::Integer);
    fields[1].name = TaskNameField();
    fields[1].type = std::int32_t(FieldType::Text);
    fields[1].width = kTaskNameWidth;
    fields[2].name = TaskDoneField();
    fields[2].type = std::int32_t(FieldType::Logical);
    return createIfMissing(tasksPath(programDirectory), fields);
}

ScheduleOpen OpenScheduleTables(const QString &programDirectory)
{
    const QString directory = QDir(programDirectory).absolutePath();
    const QString notes = notesPath(directory);
    const QString tasks = tasksPath(directory);

    // A file is created only when no entry of its name exists at all: a
    // dangling link or a directory there is the user's, and the open below
    // reports it.
    const auto missing = [](const QString &path) {
        return !QFileInfo(path).isSymLink() && !QFileInfo::exists(path);
    };
    if (missing(notes)) {
        if (Status s = CreateNotesTable(directory); !s)
            return failed(notes, QStringLiteral("创建"), s);
    }
    if (missing(tasks)) {
        if (Status s = CreateTasksTable(directory); !s)
            return failed(tasks, QStringLiteral("创建"), s);
    }

    const auto openOne = [](const QString &path, const Text &table) -> std::optional<ScheduleOpen> {
        const Status s = OpenTable(path, table);
        if (s)
            return std::nullopt;
        if (s.code == Status::Code::Locked)
            return ScheduleOpen{ScheduleOpen::Outcome::AlreadyOpen, s.reason};
        return failed(path, QStringLiteral("打开"), s);
    };
    if (auto failure = openOne(notes, NotesTable()))
        return *failure;
    // Both tables or neither: a handler must never find one open without the other.
    if (auto failure = openOne(tasks, TasksTable())) {
        CloseTable(NotesTable());
        return *failure;
    }
    return {};
}

} // namespace store
