// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

// The record file on disk and the store's operations on it.

#include "rawfile.h"
#include "storetest.h"

#include "store/fileio.h"
#include "store/recordstore.h"
#include "store/schedule.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <csignal>
#include <cstring>

#include <memory>

#include <sys/resource.h>

using namespace store;
using storetest::Cp936;
using storetest::FatalMessage;

Q_DECLARE_METATYPE(raw::Note)

class TestRecordFile : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString notesPath() const { return m_dir->filePath(QStringLiteral("shiwu.edb")); }
    QString tasksPath() const { return m_dir->filePath(QStringLiteral("renwu.edb")); }
    void openBoth()
    {
        QVERIFY(CreateNotesTable(m_dir->path()));
        QVERIFY(CreateTasksTable(m_dir->path()));
        QVERIFY(OpenTable(notesPath(), NotesTable()));
        QVERIFY(OpenTable(tasksPath(), TasksTable()));
    }
    static Status addTask(const QByteArray &name)
    {
        return AddRecord({Value::ofInteger(RecordCount() + 1), Value::ofText(name), Value::ofLogical(false)});
    }

private Q_SLOTS:
    void initTestCase() { SetFatalHandler(&storetest::ThrowFatal); }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void cleanup()
    {
        CloseAllTables();
        SetSyncEnabled(true);
        m_dir.reset();
    }

    void newFiles_data();
    void newFiles();
    void tagsAfterDeleteAndPurge();
    void readsFollowGrowthAndPurge();
    void shorterTextKeepsStaleBytes();
    void textCutToWidth_data();
    void textCutToWidth();
    void openRepairsCountAndTail_data();
    void openRepairsCountAndTail();
    void corruptFileRefused_data();
    void corruptFileRefused();
    void createAddsLowerCaseExtension();
    void createRefusesBadDescriptors_data();
    void createRefusesBadDescriptors();

    void positioning();
    void readOutsideTheRecords();
    void fieldsLeftOut();
    void valueOfWrongTypeRefused();
    void dateTimesReadClamped();
    void findFromCurrentRecord();
    void selectionAndFatalErrors();
    void writeFailureGivesSystemReason();
};

void TestRecordFile::newFiles_data()
{
    QTest::addColumn<bool>("notes");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<qint32>("recordLength");
    QTest::addColumn<QList<QByteArray>>("names");
    QTest::addColumn<QList<int>>("types");
    QTest::addColumn<QList<int>>("offsets");
    QTest::addColumn<QList<int>>("widths");

    QTest::newRow("shiwu.edb") << true << qint64(260) << 524
                               << QList<QByteArray>{QByteArray("\xC8\xD5\xC6\xDA"), Cp936(u"事务")}
                               << QList<int>{8, 10} << QList<int>{4, 12} << QList<int>{0, 512};
    QTest::newRow("renwu.edb") << false << qint64(332) << 59
                               << QList<QByteArray>{Cp936(u"序号"), Cp936(u"任务"), Cp936(u"完成")}
                               << QList<int>{3, 10, 7} << QList<int>{4, 8, 58} << QList<int>{0, 50, 0};
}

void TestRecordFile::newFiles()
{
    QFETCH(bool, notes);
    QFETCH(qint64, size);
    QFETCH(qint32, recordLength);
    QFETCH(QList<QByteArray>, names);
    QFETCH(QList<int>, types);
    QFETCH(QList<int>, offsets);
    QFETCH(QList<int>, widths);

    const Status created = notes ? CreateNotesTable(m_dir->path()) : CreateTasksTable(m_dir->path());
    QVERIFY2(created, qPrintable(created.reason));
    const QByteArray bytes = raw::ReadBytes(notes ? notesPath() : tasksPath());
    QCOMPARE(bytes.size(), size);
    QCOMPARE(bytes.left(4), QByteArray("WEDB"));
    QCOMPARE(raw::I32(bytes, 4), 0x00010000);
    QCOMPARE(raw::I32(bytes, 16), 0);            // records
    QCOMPARE(raw::I32(bytes, 20), 1);            // next tag
    QCOMPARE(raw::I32(bytes, 24), recordLength);
    QCOMPARE(bytes.mid(28, 84), QByteArray(84, '\0'));
    // Created today, in whole seconds.
    const double createdAt = raw::Double(bytes, 8);
    QCOMPARE(createdAt * 86400.0, std::round(createdAt * 86400.0));
    QVERIFY(std::abs(createdAt - (QDate(1899, 12, 30).daysTo(QDate::currentDate()) + 0.5)) <= 1.5);

    QCOMPARE(raw::I32(bytes, 112), names.size());
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QByteArray d = bytes.mid(116 + i * 72, 72);
        QCOMPARE(d.left(20), names[i] + QByteArray(20 - names[i].size(), '\0'));
        QCOMPARE(raw::I32(d, 20), types[i]);
        QCOMPARE(raw::I32(d, 24), offsets[i]);
        QCOMPARE(raw::I32(d, 28), widths[i]);
        QCOMPARE(d.mid(32), QByteArray(40, '\0'));
    }
}

void TestRecordFile::tagsAfterDeleteAndPurge()
{
    openBoth();
    QVERIFY(SelectTable(TasksTable()));
    for (const char *name : {"one", "two", "three"})
        QVERIFY(addTask(name));
    GoTo(2);
    QVERIFY(DeleteRecord());
    // Marked, still counted and read, until the purge.
    QCOMPARE(RecordCount(), 3);
    QCOMPARE(CurrentRecordNumber(), 2);
    QCOMPARE(ReadField(TaskNameField()).text, QByteArray("two"));
    QCOMPARE(raw::I32(raw::ReadBytes(tasksPath()), 332 + 59), -2);

    QVERIFY(PurgeDeleted());
    QCOMPARE(CurrentRecordNumber(), 1);
    QCOMPARE(RecordCount(), 2);
    GoTo(2);
    QCOMPARE(ReadField(TaskNameField()).text, QByteArray("three"));

    QByteArray bytes = raw::ReadBytes(tasksPath());
    QCOMPARE(bytes.size(), 332 + 2 * 59);
    QCOMPARE(raw::I32(bytes, 20), 4);
    QList<raw::Task> tasks = raw::Tasks(bytes);
    QCOMPARE(tasks.size(), 2);
    QCOMPARE(tasks[0], (raw::Task{1, 1, "one", false}));
    QCOMPARE(tasks[1], (raw::Task{3, 3, "three", false}));

    QVERIFY(addTask("four"));
    QCOMPARE(CurrentRecordNumber(), 3);
    tasks = raw::Tasks(raw::ReadBytes(tasksPath()));
    QCOMPARE(tasks.size(), 3);
    QCOMPARE(tasks[2], (raw::Task{4, 3, "four", false}));
}

// The records are read where the file holds them: through appends that
// outgrow what was mapped at open, and a purge that moves most of them.
void TestRecordFile::readsFollowGrowthAndPurge()
{
    SetSyncEnabled(false);   // thousands of changes; syncs add nothing here
    openBoth();
    QVERIFY(SelectTable(TasksTable()));
    for (int i = 1; i <= 3000; ++i)
        QVERIFY(addTask(QByteArray::number(i)));
    for (int k = 1; k <= 3000; k += 3) {
        GoTo(k);
        QVERIFY(DeleteRecord());
    }
    QVERIFY(PurgeDeleted());
    for (int i = 3001; i <= 3100; ++i)
        QVERIFY(addTask(QByteArray::number(i)));

    const QList<raw::Task> inFile = raw::Tasks(raw::ReadBytes(tasksPath()));
    QCOMPARE(inFile.size(), 2100);
    QCOMPARE(RecordCount(), 2100);
    QCOMPARE(inFile.first().name, QByteArray("2"));
    QCOMPARE(inFile.last().name, QByteArray("3100"));
    GoToFirst();
    for (const raw::Task &t : inFile) {
        QCOMPARE(ReadField(TaskNameField()).text, t.name);
        QCOMPARE(ReadField(TaskNumberField()).integer, t.number);
        Skip();
    }
    QCOMPARE(CurrentRecordNumber(), 2101);
}

void TestRecordFile::shorterTextKeepsStaleBytes()
{
    openBoth();
    QVERIFY(SelectTable(TasksTable()));
    QVERIFY(addTask("a rather long task name"));
    QVERIFY(ModifyRecord({std::nullopt, Value::ofText("short")}));
    QCOMPARE(ReadField(TaskNameField()).text, QByteArray("short"));
    const QByteArray field = raw::ReadBytes(tasksPath()).mid(332 + 8, 50);
    QCOMPARE(field.left(24), QByteArray("short\0er long task name\0", 24));

    // And it reads back so after a fresh open, without the memory of the write.
    CloseAllTables();
    QVERIFY(OpenTable(tasksPath(), TasksTable()));
    GoToFirst();
    QCOMPARE(ReadField(TaskNameField()).text, QByteArray("short"));
}

void TestRecordFile::textCutToWidth_data()
{
    QTest::addColumn<bool>("notes");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("kept");

    QTest::newRow("note of 600 bytes") << true << 600 << 512;
    QTest::newRow("note of exactly 512 bytes") << true << 512 << 512;
    QTest::newRow("note of 511 bytes") << true << 511 << 511;
    QTest::newRow("task name of 60 bytes") << false << 60 << 50;
    QTest::newRow("task name of exactly 50 bytes") << false << 50 << 50;
}

void TestRecordFile::textCutToWidth()
{
    QFETCH(bool, notes);
    QFETCH(int, length);
    QFETCH(int, kept);

    // Double-byte characters, so that the cut may split one.
    QByteArray text;
    while (text.size() < length)
        text += Cp936(u"日程表");
    text.truncate(length);

    openBoth();
    QVERIFY(SelectTable(notes ? NotesTable() : TasksTable()));
    const Text &field = notes ? NoteTextField() : TaskNameField();
    Values values(notes ? 2 : 3);
    values[1] = Value::ofText(text);
    QVERIFY(AddRecord(values));
    QCOMPARE(ReadField(field).text, text.left(kept));

    CloseAllTables();
    QVERIFY(OpenTable(notes ? notesPath() : tasksPath(), notes ? NotesTable() : TasksTable()));
    GoToFirst();
    QCOMPARE(ReadField(field).text, text.left(kept));
    const QByteArray bytes = raw::ReadBytes(notes ? notesPath() : tasksPath());
    const int start = notes ? 260 + 12 : 332 + 8;
    const int width = notes ? 512 : 50;
    QCOMPARE(bytes.mid(start, kept), text.left(kept));
    if (kept < width)
        QCOMPARE(bytes[start + kept], '\0');
    QCOMPARE(bytes.size(), notes ? 260 + 524 : 332 + 59);
}

void TestRecordFile::openRepairsCountAndTail_data()
{
    QTest::addColumn<qint32>("claimed");
    QTest::addColumn<int>("extraBytes");
    QTest::addColumn<qint32>("count");

    QTest::newRow("count past the end, partial record") << 5 << 300 << 2;
    QTest::newRow("count past the end, no extra bytes") << 4 << 0 << 2;
    QTest::newRow("bytes after the last record") << 2 << 1000 << 2;
    QTest::newRow("count covers fewer records than present") << 1 << 0 << 1;
    QTest::newRow("count exact") << 2 << 0 << 2;
}

void TestRecordFile::openRepairsCountAndTail()
{
    QFETCH(qint32, claimed);
    QFETCH(int, extraBytes);
    QFETCH(qint32, count);

    QByteArray bytes = raw::NotesFile({{1, 45000, "first"}, {2, 45001, "second"}}, 3);
    raw::SetI32(bytes, 16, claimed);
    bytes.append(QByteArray(extraBytes, 'x'));
    QVERIFY(raw::WriteBytes(notesPath(), bytes));

    const Status opened = OpenTable(notesPath(), NotesTable());
    QVERIFY2(opened, qPrintable(opened.reason));
    QCOMPARE(RecordCount(), count);
    GoTo(count);
    QCOMPARE(ReadField(NoteTextField()).text, QByteArray(count == 2 ? "second" : "first"));

    const QByteArray after = raw::ReadBytes(notesPath());
    QCOMPARE(after.size(), 260 + count * 524);
    QCOMPARE(raw::I32(after, 16), count);
    QCOMPARE(after.left(16), bytes.left(16));
    QCOMPARE(after.mid(20, 260 + count * 524 - 20), bytes.mid(20, 260 + count * 524 - 20));
    QVERIFY(!QFile::exists(notesPath() + QStringLiteral("-journal")));
}

void TestRecordFile::corruptFileRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");

    const QByteArray good = raw::NotesFile({{1, 45000, "a note"}}, 2);
    const auto with = [&](qsizetype at, qint32 value) {
        QByteArray b = good;
        raw::SetI32(b, at, value);
        return b;
    };
    constexpr int d1 = 116, d2 = 188;   // the two descriptors

    QTest::newRow("empty") << QByteArray() << QStringLiteral("文件太短");
    QTest::newRow("truncated header") << good.left(115) << QStringLiteral("文件太短");
    QTest::newRow("not a record file") << QByteArray(400, 'a') << QStringLiteral("不是记录文件");
    QTest::newRow("newer version") << with(4, 0x00010001) << QStringLiteral("格式版本");
    QTest::newRow("negative count") << with(16, -1) << QStringLiteral("记录数为负");
    QTest::newRow("next tag zero") << with(20, 0) << QStringLiteral("下一记录标记");
    QTest::newRow("record length 0") << with(24, 0) << QStringLiteral("记录长度不是正数");
    QTest::newRow("field count 0") << with(112, 0) << QStringLiteral("字段数不是正数");
    QTest::newRow("descriptors past the end") << with(112, 10) << QStringLiteral("字段描述超出文件末尾");
    QTest::newRow("huge field count") << with(112, 0x7fffffff) << QStringLiteral("字段描述超出文件末尾");
    QByteArray longName = good;
    std::memset(longName.data() + d1, 'n', 17);
    QTest::newRow("name without zero byte") << longName << QStringLiteral("超过 16 字节");
    QTest::newRow("type code 0") << with(d1 + 20, 0) << QStringLiteral("类型代码");
    QTest::newRow("type code 13") << with(d2 + 20, 13) << QStringLiteral("类型代码");
    QTest::newRow("text width 0") << with(d2 + 28, 0) << QStringLiteral("文本宽度");
    QTest::newRow("text width too large") << with(d2 + 28, 100000) << QStringLiteral("文本宽度");
    QTest::newRow("field past the record") << with(d2 + 28, 600) << QStringLiteral("超出记录长度");
    QTest::newRow("record length shorter than fields") << with(24, 300) << QStringLiteral("超出记录长度");
    QTest::newRow("record length longer than fields") << with(24, 600) << QStringLiteral("与字段不符");
    QTest::newRow("negative offset") << with(d1 + 24, -8) << QStringLiteral("超出记录长度");
    QTest::newRow("overlapping fields") << with(d2 + 24, 8) << QStringLiteral("不相接");
    QByteArray twice = good;
    std::memcpy(twice.data() + d2, twice.constData() + d1, 20);
    QTest::newRow("two fields of one name") << twice << QStringLiteral("字段名重复");
    QByteArray caseTwice = good;
    std::memcpy(caseTwice.data() + d1, "date\0", 5);
    std::memcpy(caseTwice.data() + d2, "DATE\0", 5);
    QTest::newRow("two fields of one name, case apart") << caseTwice << QStringLiteral("字段名重复");
}

void TestRecordFile::corruptFileRefused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);

    QVERIFY(raw::WriteBytes(notesPath(), bytes));
    const Status opened = OpenTable(notesPath(), NotesTable());
    QCOMPARE(opened.code, Status::Code::NotThisLayout);
    QVERIFY2(opened.reason.contains(error), qPrintable(opened.reason));
    QVERIFY(!SelectTable(NotesTable()));
    QCOMPARE(RecordCount(), 0);
    QCOMPARE(raw::ReadBytes(notesPath()), bytes);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{QStringLiteral("shiwu.edb")});
}

void TestRecordFile::createAddsLowerCaseExtension()
{
    const QString saved = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    std::vector<FieldDescriptor> fields(1);
    fields[0] = {"n", 3, 20};
    const Status created = CreateRecordFile("shiwu", fields);
    const Status withExtension = CreateRecordFile("other.dat", fields);
    QVERIFY(QDir::setCurrent(saved));
    QVERIFY(created);
    QVERIFY(withExtension);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files),
             (QStringList{QStringLiteral("other.dat"), QStringLiteral("shiwu.edb")}));
    QCOMPARE(raw::ReadBytes(notesPath()).size(), 116 + 72);

    // Created over an existing file, which loses its records.
    QVERIFY(raw::WriteBytes(notesPath(), raw::NotesFile({{1, 45000, "old"}}, 2)));
    QVERIFY(CreateRecordFileAt(notesPath(), fields, true));
    QCOMPARE(raw::ReadBytes(notesPath()).size(), 116 + 72);
    // Never over one when asked not to.
    const Status again = CreateRecordFileAt(notesPath(), {{"m", 7, 20}, {"k", 8, 20}}, false);
    QCOMPARE(again.code, Status::Code::Io);
    QCOMPARE(raw::ReadBytes(notesPath()).size(), 116 + 72);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(), 2);
}

void TestRecordFile::createRefusesBadDescriptors_data()
{
    QTest::addColumn<QList<QByteArray>>("names");
    QTest::addColumn<QList<int>>("types");
    QTest::addColumn<QList<int>>("widths");

    QTest::newRow("no fields") << QList<QByteArray>{} << QList<int>{} << QList<int>{};
    QTest::newRow("empty name") << QList<QByteArray>{""} << QList<int>{3} << QList<int>{20};
    QTest::newRow("name of 17 bytes") << QList<QByteArray>{"abcdefghijklmnopq"} << QList<int>{3} << QList<int>{20};
    QTest::newRow("names equal but for case") << QList<QByteArray>{"Name", "nAME"} << QList<int>{3, 7} << QList<int>{20, 20};
    QTest::newRow("unknown type") << QList<QByteArray>{"a"} << QList<int>{5} << QList<int>{20};
    QTest::newRow("text width 0") << QList<QByteArray>{"a"} << QList<int>{10} << QList<int>{0};
    QTest::newRow("text width 1025") << QList<QByteArray>{"a"} << QList<int>{10} << QList<int>{1025};
}

void TestRecordFile::createRefusesBadDescriptors()
{
    QFETCH(QList<QByteArray>, names);
    QFETCH(QList<int>, types);
    QFETCH(QList<int>, widths);

    std::vector<FieldDescriptor> fields;
    for (qsizetype i = 0; i < names.size(); ++i)
        fields.push_back({names[i], types[i], widths[i]});
    QCOMPARE(CreateRecordFileAt(notesPath(), fields, true).code, Status::Code::BadValue);
    QVERIFY(QDir(m_dir->path()).isEmpty());
}

void TestRecordFile::positioning()
{
    openBoth();
    QVERIFY(SelectTable(TasksTable()));
    QCOMPARE(CurrentRecordNumber(), 0);   // opened before the first
    GoTo(5);
    QCOMPARE(CurrentRecordNumber(), 1);
    for (const char *name : {"a", "b", "c"})
        QVERIFY(addTask(name));
    QCOMPARE(CurrentRecordNumber(), 3);

    const std::pair<std::int32_t, std::int32_t> cases[] = {{-4, 1}, {0, 1}, {2, 2}, {3, 3}, {99, 3}};
    for (const auto &[k, expected] : cases) {
        GoTo(k);
        QCOMPARE(CurrentRecordNumber(), expected);
    }
    GoToFirst();
    Skip();
    Skip();
    QCOMPARE(ReadField(TaskNameField()).text, QByteArray("c"));
    Skip();
    QCOMPARE(CurrentRecordNumber(), 4);
    Skip();
    QCOMPARE(CurrentRecordNumber(), 4);   // after the last is as far as it goes

    // Each table keeps its own current record.
    QVERIFY(SelectTable(NotesTable()));
    QCOMPARE(CurrentRecordNumber(), 0);
    QVERIFY(SelectTable(TasksTable()));
    QCOMPARE(CurrentRecordNumber(), 4);
}

void TestRecordFile::readOutsideTheRecords()
{
    QVERIFY(raw::WriteBytes(notesPath(), raw::NotesFile({{1, 45000, "only"}}, 2)));
    QVERIFY(OpenTable(notesPath(), NotesTable()));
    const QByteArray before = raw::ReadBytes(notesPath());

    // Before the first, then after the last: empty values of each field's
    // type, and writes that change nothing.
    for (const std::int32_t position : {0, 2}) {
        QVERIFY(!FindRecord([] { return false; }));
        QCOMPARE(CurrentRecordNumber(), position);
        const Value date = ReadField(NoteDateField());
        const Value text = ReadField(NoteTextField());
        QCOMPARE(date.type, FieldType::DateTime);
        QCOMPARE(date.dateTime, 0.0);
        QCOMPARE(text.type, FieldType::Text);
        QVERIFY(text.text.isEmpty());
        QVERIFY(ModifyRecord({Value::ofDateTime(1), Value::ofText("x")}));
        QVERIFY(DeleteRecord());
        QCOMPARE(raw::ReadBytes(notesPath()), before);
        if (position == 0) {
            // Before the first counts as the first.
            QVERIFY(FindRecord([] { return true; }));
            QCOMPARE(CurrentRecordNumber(), 1);
            QCOMPARE(ReadField(NoteTextField()).text, QByteArray("only"));
            Skip();
        }
    }
}

void TestRecordFile::fieldsLeftOut()
{
    openBoth();
    QVERIFY(SelectTable(TasksTable()));
    QVERIFY(AddRecord({std::nullopt, Value::ofText("named")}));
    Value number = ReadField(TaskNumberField());
    QCOMPARE(number.type, FieldType::Integer);
    QCOMPARE(number.integer, 0);
    Value done = ReadField(TaskDoneField());
    QCOMPARE(done.type, FieldType::Logical);
    QCOMPARE(done.logical, false);

    QVERIFY(AddRecord({}));
    QCOMPARE(ReadField(TaskNameField()).text, QByteArray());

    GoTo(1);
    QVERIFY(ModifyRecord({Value::ofInteger(7), std::nullopt, Value::ofLogical(true)}));
    QCOMPARE(ReadField(TaskNumberField()).integer, 7);
    QCOMPARE(ReadField(TaskNameField()).text, QByteArray("named"));
    QCOMPARE(ReadField(TaskDoneField()).logical, true);
    const raw::Task onDisk = raw::Tasks(raw::ReadBytes(tasksPath())).value(0);
    QCOMPARE(onDisk, (raw::Task{1, 7, "named", true}));
}

void TestRecordFile::valueOfWrongTypeRefused()
{
    openBoth();
    QVERIFY(SelectTable(TasksTable()));
    QVERIFY(addTask("kept"));
    const QByteArray before = raw::ReadBytes(tasksPath());
    QCOMPARE(AddRecord({Value::ofText("1")}).code, Status::Code::BadValue);
    QCOMPARE(ModifyRecord({std::nullopt, Value::ofLogical(true)}).code, Status::Code::BadValue);
    QCOMPARE(AddRecord(Values(4)).code, Status::Code::BadValue);   // more values than fields
    QCOMPARE(raw::ReadBytes(tasksPath()), before);
    QCOMPARE(RecordCount(), 1);
    QCOMPARE(ReadField(TaskNameField()).text, QByteArray("kept"));
}

void TestRecordFile::dateTimesReadClamped()
{
    QVERIFY(raw::WriteBytes(notesPath(),
                            raw::NotesFile({{1, 1e12, ""}, {2, -1e12, ""}, {3, -1.25, ""}}, 4)));
    QVERIFY(OpenTable(notesPath(), NotesTable()));
    const double expected[] = {2958465.0, -657434.0, -1.25};
    for (int k = 1; k <= 3; ++k) {
        GoTo(k);
        QCOMPARE(ReadField(NoteDateField()).dateTime, expected[k - 1]);
    }
}

void TestRecordFile::findFromCurrentRecord()
{
    QVERIFY(raw::WriteBytes(notesPath(), raw::NotesFile({{1, 10, "a"}, {2, 20, "b"}, {3, 10, "c"}, {4, 30, "d"}}, 5)));
    QVERIFY(OpenTable(notesPath(), NotesTable()));
    const auto dayIs = [](double day) {
        return [day] { return ReadField(NoteDateField()).dateTime == day; };
    };

    GoTo(2);
    QVERIFY(FindRecord(dayIs(10)));   // the one from the current record on, not the first
    QCOMPARE(CurrentRecordNumber(), 3);
    QCOMPARE(ReadField(NoteTextField()).text, QByteArray("c"));
    QVERIFY(FindRecord(dayIs(10)));   // the current record itself is tested
    QCOMPARE(CurrentRecordNumber(), 3);

    GoTo(4);
    QVERIFY(!FindRecord(dayIs(20)));
    QCOMPARE(CurrentRecordNumber(), 4);
    GoToFirst();
    QVERIFY(FindRecord(dayIs(30)));
    QCOMPARE(CurrentRecordNumber(), 4);

    // Marked records are still found until purged.
    GoTo(2);
    QVERIFY(DeleteRecord());
    GoToFirst();
    QVERIFY(FindRecord(dayIs(20)));
    QCOMPARE(CurrentRecordNumber(), 2);
}

void TestRecordFile::selectionAndFatalErrors()
{
    QCOMPARE(FatalMessage([] { ReadField(NoteDateField()); }), Cp936(u"未指定当前数据库或者指定数据库未打开"));
    QCOMPARE(AddRecord({}).code, Status::Code::NoTable);
    QCOMPARE(RecordCount(), 0);
    QVERIFY(!FindRecord([] { return true; }));

    openBoth();
    QVERIFY(SelectTable(NotesTable()));
    QVERIFY(!SelectTable("nowhere"));
    QVERIFY(AddRecord({Value::ofDateTime(45000)}));   // still the notes table
    QCOMPARE(raw::I32(raw::ReadBytes(notesPath()), 16), 1);
    QCOMPARE(FatalMessage([] { ReadField(TaskDoneField()); }), Cp936(u"指定字段不存在"));

    // ASCII names match regardless of case; double-byte ones only as they are.
    std::vector<FieldDescriptor> fields{{"Day", 8, 20}, {Cp936(u"Ａ"), 3, 20}};
    const QString other = m_dir->filePath(QStringLiteral("other.edb"));
    QVERIFY(CreateRecordFileAt(other, fields, true));
    QVERIFY(OpenTable(other, "Other"));
    QVERIFY(SelectTable("OTHER"));
    QCOMPARE(ReadField("dAY").type, FieldType::DateTime);
    QCOMPARE(FatalMessage([] { ReadField(Cp936(u"ａ")); }), Cp936(u"指定字段不存在"));

    // One file is one table: the same file under another name is refused.
    QCOMPARE(OpenTable(other, "again").code, Status::Code::Locked);
    QVERIFY(SelectTable("other"));
}

void TestRecordFile::writeFailureGivesSystemReason()
{
    openBoth();
    QVERIFY(SelectTable(NotesTable()));
    QVERIFY(AddRecord({Value::ofDateTime(45000), Value::ofText("kept")}));
    const QByteArray before = raw::ReadBytes(notesPath());

    // A file size limit makes the system refuse to grow the file, as a full disk would.
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
    rlimit limited = saved;
    limited.rlim_cur = rlim_t(before.size());
    QVERIFY(setrlimit(RLIMIT_FSIZE, &limited) == 0);
    const Status added = AddRecord({Value::ofDateTime(45001), Value::ofText("lost")});
    QVERIFY(setrlimit(RLIMIT_FSIZE, &saved) == 0);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(added.code, Status::Code::Io);
    QVERIFY2(added.reason.contains(QString::fromLocal8Bit(std::strerror(EFBIG))), qPrintable(added.reason));
    QVERIFY2(added.reason.contains(QStringLiteral("shiwu.edb")), qPrintable(added.reason));
    QCOMPARE(RecordCount(), 1);
    QCOMPARE(raw::ReadBytes(notesPath()), before);

    // The store carries on once the system lets it.
    QVERIFY(AddRecord({Value::ofDateTime(45002), Value::ofText("stored")}));
    const QList<raw::Note> notes = raw::Notes(raw::ReadBytes(notesPath()));
    QCOMPARE(notes.size(), 2);
    QCOMPARE(notes[1], (raw::Note{2, 45002, "stored"}));
}

QTEST_GUILESS_MAIN(TestRecordFile)
#include "tst_recordfile.moc"
