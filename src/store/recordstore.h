// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers
#pragma once

// The record store: files of fixed-layout records opened under table names.
// One table is selected for the whole process; each open table has a current
// record (0 = before the first, RecordCount()+1 = after the last).
// All names and texts are code page 936 byte strings.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace store {

enum class FieldType : std::int32_t {
    None = 0,
    Integer = 3,
    Logical = 7,
    DateTime = 8,
    Text = 10,
};

// Declared after FieldType so that FieldType::Text does not shadow it.
using Text = QByteArray;

// As passed to CreateRecordFile. Only text fields use the width.
struct FieldDescriptor {
    Text name;
    std::int32_t type = 0;
    std::int32_t width = 20;
};

// A field value together with its type.
struct Value {
    FieldType type = FieldType::None;
    std::int32_t integer = 0;
    bool logical = false;
    double dateTime = 0.0;
    Text text;

    static Value ofInteger(std::int32_t v);
    static Value ofLogical(bool v);
    static Value ofDateTime(double v);
    static Value ofText(const Text &v);
};

// Values by field position: element 0 is field 1. A missing element or
// std::nullopt leaves the field out (zero/empty/false on append, unchanged on modify).
using Values = std::vector<std::optional<Value>>;

// Outcome of an operation that touches a file. `reason` is a sentence for the
// user (the system's reason where there is one), empty on success.
struct Status {
    enum class Code { Ok, NoTable, NotThisLayout, Locked, Io, BadValue };
    Code code = Code::Ok;
    QString reason;

    bool ok() const { return code == Code::Ok; }
    explicit operator bool() const { return ok(); }
    static Status success() { return {}; }
    static Status failure(Code c, QString why) { return {c, std::move(why)}; }
};

// Fatal run-time errors of the store (number 0) go through this hook; the
// program installs its error box here. The hook must not return. Without a
// hook the store prints the message and aborts.
using FatalHandler = void (*)(std::int32_t number, const Text &message);
void SetFatalHandler(FatalHandler handler);
[[noreturn]] void RaiseFatal(std::int32_t number, const Text &message);

// Creates `name` (".edb" added when it has no extension, relative to the
// current directory) empty, with these fields, replacing an existing file.
Status CreateRecordFile(const Text &name, const std::vector<FieldDescriptor> &fields);

// As CreateRecordFile, at a full path. With `replace` false an existing entry
// is left alone and gives Code::Io (the system's "File exists"). Replacing a
// file that another process holds open gives Code::Locked. The new file
// appears whole or not at all.
Status CreateRecordFileAt(const QString &path, const std::vector<FieldDescriptor> &fields,
                          bool replace);

// Opens `path` for reading and writing under `tableName`, which becomes the
// selected table, standing before its first record; a table already open
// under that name is closed. Holds an exclusive advisory lock on the file
// while open: a file held by another process, or already open here under
// another name, gives Code::Locked. A change that a crash interrupted is
// rolled back first. A file that is not of the record layout, or fails its
// checks, gives Code::NotThisLayout and is left exactly as it was. A file
// that passes them has its record count lowered to the whole records present
// and is cut after the last counted record. Failure changes nothing.
Status OpenTable(const QString &path, const Text &tableName);

// Fails, leaving the selection as it was, for a name that is not open.
bool SelectTable(const Text &tableName);

// Closes one table, releasing its file; the selection is cleared when it was this one.
void CloseTable(const Text &tableName);
// Closes every table and clears the selection (tests and shut-down).
void CloseAllTables();

// The operations below act on the selected table; with none they change nothing.
std::vector<FieldDescriptor> TableFields();   // as stored: width 0 for all but text; none with no table
std::int32_t RecordCount();           // marked records included; 0 with no table
std::int32_t CurrentRecordNumber();   // 0 before the first, RecordCount()+1 after the last
void GoToFirst();
void Skip();
void GoTo(std::int32_t k);            // min(k, n), at least 1
Status AddRecord(const Values &values);
Status ModifyRecord(const Values &values);
Status DeleteRecord();
Status PurgeDeleted();                // record 1 becomes current

// Value and type of the field in the current record; an empty value of the
// field's type before the first or after the last record. Raises the fatal
// error "指定字段不存在" for an unknown field and
// "未指定当前数据库或者指定数据库未打开" with no table open.
Value ReadField(const Text &fieldName);

// Tests records from the current one (before the first counts as the first)
// to the last; the first match becomes current and gives true, else false
// with the current record unchanged.
bool FindRecord(const std::function<bool()> &condition);

} // namespace store
