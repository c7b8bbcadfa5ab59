// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

// Start-up of the schedule tables: creating what is missing, opening both,
// and refusing, with a reason, what cannot be used.

#include "rawfile.h"
#include "storetest.h"

#include "store/schedule.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <memory>

using namespace store;
using Outcome = ScheduleOpen::Outcome;

class TestSchedule : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString notesPath() const { return m_dir->filePath(QStringLiteral("shiwu.edb")); }
    QString tasksPath() const { return m_dir->filePath(QStringLiteral("renwu.edb")); }
    QStringList entries() const { return QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot); }

    // Both tables hold what the files hold, read through the store.
    static void verifyOpenWith(int notes, int tasks)
    {
        QVERIFY(SelectTable(NotesTable()));
        QCOMPARE(RecordCount(), notes);
        QVERIFY(SelectTable(TasksTable()));
        QCOMPARE(RecordCount(), tasks);
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
        m_dir.reset();
    }

    void firstStart();
    void oneFileMissing_data();
    void oneFileMissing();
    void anotherCurrentDirectory();
    void refused_data();
    void refused();
    void secondCopyFindsItOpen();
};

void TestSchedule::firstStart()
{
    const ScheduleOpen opened = OpenScheduleTables(m_dir->path());
    QCOMPARE(opened.outcome, Outcome::Opened);
    QCOMPARE(entries(), (QStringList{QStringLiteral("renwu.edb"), QStringLiteral("shiwu.edb")}));
    QCOMPARE(raw::ReadBytes(notesPath()).size(), 260);
    QCOMPARE(raw::ReadBytes(tasksPath()).size(), 332);
    verifyOpenWith(0, 0);
    // The tasks table is opened last and so is left selected.
    QVERIFY(AddRecord({Value::ofInteger(1), Value::ofText("t"), Value::ofLogical(false)}));
    QCOMPARE(raw::ReadBytes(tasksPath()).size(), 332 + 59);
}

void TestSchedule::oneFileMissing_data()
{
    QTest::addColumn<bool>("notesMissing");
    QTest::newRow("renwu.edb missing") << false;
    QTest::newRow("shiwu.edb missing") << true;
}

void TestSchedule::oneFileMissing()
{
    QFETCH(bool, notesMissing);

    QCOMPARE(OpenScheduleTables(m_dir->path()).outcome, Outcome::Opened);
    QVERIFY(SelectTable(NotesTable()));
    QVERIFY(AddRecord({Value::ofDateTime(45000), Value::ofText("kept note")}));
    QVERIFY(SelectTable(TasksTable()));
    QVERIFY(AddRecord({Value::ofInteger(1), Value::ofText("kept task"), Value::ofLogical(true)}));
    CloseAllTables();

    const QString missing = notesMissing ? notesPath() : tasksPath();
    const QString kept = notesMissing ? tasksPath() : notesPath();
    const QByteArray keptBytes = raw::ReadBytes(kept);
    QVERIFY(QFile::remove(missing));

    QCOMPARE(OpenScheduleTables(m_dir->path()).outcome, Outcome::Opened);
    QCOMPARE(raw::ReadBytes(kept), keptBytes);
    QCOMPARE(raw::ReadBytes(missing).size(), notesMissing ? 260 : 332);
    verifyOpenWith(notesMissing ? 0 : 1, notesMissing ? 1 : 0);
}

void TestSchedule::anotherCurrentDirectory()
{
    QTemporaryDir elsewhere;
    QVERIFY(elsewhere.isValid());
    const QString saved = QDir::currentPath();
    QVERIFY(QDir::setCurrent(elsewhere.path()));
    const ScheduleOpen opened = OpenScheduleTables(m_dir->path());
    QVERIFY(QDir::setCurrent(saved));

    QCOMPARE(opened.outcome, Outcome::Opened);
    QVERIFY(QDir(elsewhere.path()).isEmpty());
    QCOMPARE(entries(), (QStringList{QStringLiteral("renwu.edb"), QStringLiteral("shiwu.edb")}));
    verifyOpenWith(0, 0);

    // Opened again from there, the files are checked and opened where they are.
    CloseAllTables();
    QVERIFY(QDir::setCurrent(elsewhere.path()));
    const ScheduleOpen again = OpenScheduleTables(m_dir->path());
    QVERIFY(QDir::setCurrent(saved));
    QCOMPARE(again.outcome, Outcome::Opened);
    QVERIFY(QDir(elsewhere.path()).isEmpty());
}

void TestSchedule::refused_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("named");      // the file the message names
    QTest::addColumn<QString>("reason");

    QTest::newRow("shiwu.edb not a record file") << "notes-garbage" << "shiwu.edb" << QStringLiteral("不是记录文件");
    QTest::newRow("renwu.edb fails a check") << "tasks-bad-field" << "renwu.edb" << QStringLiteral("超出记录长度");
    QTest::newRow("renwu.edb is a folder") << "tasks-folder" << "renwu.edb"
                                        << QString::fromLocal8Bit(std::strerror(EISDIR));
    QTest::newRow("program folder missing") << "no-folder" << "shiwu.edb"
                                            << QString::fromLocal8Bit(std::strerror(ENOENT));
    QTest::newRow("program folder is a file") << "folder-is-file" << "shiwu.edb"
                                              << QString::fromLocal8Bit(std::strerror(ENOTDIR));
}

void TestSchedule::refused()
{
    QFETCH(QString, setup);
    QFETCH(QString, named);
    QFETCH(QString, reason);

    QString directory = m_dir->path();
    if (setup == QLatin1String("no-folder")) {
        directory = m_dir->filePath(QStringLiteral("gone"));
    } else if (setup == QLatin1String("folder-is-file")) {
        directory = m_dir->filePath(QStringLiteral("plain"));
        QVERIFY(raw::WriteBytes(directory, "x"));
    } else {
        QCOMPARE(OpenScheduleTables(directory).outcome, Outcome::Opened);
        CloseAllTables();
        if (setup == QLatin1String("notes-garbage")) {
            QVERIFY(raw::WriteBytes(notesPath(), QByteArray(300, 'z')));
        } else if (setup == QLatin1String("tasks-bad-field")) {
            QByteArray bytes = raw::ReadBytes(tasksPath());
            raw::SetI32(bytes, 116 + 72 + 28, 60);   // the name runs past the record
            QVERIFY(raw::WriteBytes(tasksPath(), bytes));
        } else {
            QVERIFY(QFile::remove(tasksPath()));
            QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("renwu.edb")));
        }
    }
    const QByteArray notesBefore = raw::ReadBytes(notesPath());
    const QByteArray tasksBefore = raw::ReadBytes(tasksPath());
    const QStringList entriesBefore = entries();

    const ScheduleOpen opened = OpenScheduleTables(directory);
    QCOMPARE(opened.outcome, Outcome::Failed);
    const QString path = QDir::toNativeSeparators(QDir(directory).absoluteFilePath(named));
    QVERIFY2(opened.message.contains(path), qPrintable(opened.message));
    QVERIFY2(opened.message.contains(reason), qPrintable(opened.message));

    // Nothing half-open, nothing written.
    QVERIFY(!SelectTable(NotesTable()));
    QVERIFY(!SelectTable(TasksTable()));
    QCOMPARE(raw::ReadBytes(notesPath()), notesBefore);
    QCOMPARE(raw::ReadBytes(tasksPath()), tasksBefore);
    QCOMPARE(entries(), entriesBefore);
}

void TestSchedule::secondCopyFindsItOpen()
{
    QProcess holder;
    holder.start(QStringLiteral(STORE_CHILD), {QStringLiteral("hold"), m_dir->path()});
    QVERIFY(holder.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(holder.canReadLine(), 20000);
    QCOMPARE(holder.readLine(), QByteArray("opened\n"));
    const QByteArray notesBefore = raw::ReadBytes(notesPath());
    const QByteArray tasksBefore = raw::ReadBytes(tasksPath());

    const ScheduleOpen second = OpenScheduleTables(m_dir->path());
    QCOMPARE(second.outcome, Outcome::AlreadyOpen);
    QVERIFY(!SelectTable(NotesTable()));
    QVERIFY(!SelectTable(TasksTable()));
    QCOMPARE(raw::ReadBytes(notesPath()), notesBefore);
    QCOMPARE(raw::ReadBytes(tasksPath()), tasksBefore);
    QCOMPARE(entries(), (QStringList{QStringLiteral("renwu.edb"), QStringLiteral("shiwu.edb")}));

    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(20000));
    QCOMPARE(holder.exitCode(), 0);

    // Once it has gone, the files are free; now the other side is refused.
    QCOMPARE(OpenScheduleTables(m_dir->path()).outcome, Outcome::Opened);
    QProcess refused;
    refused.start(QStringLiteral(STORE_CHILD), {QStringLiteral("hold"), m_dir->path()});
    QVERIFY(refused.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(refused.canReadLine(), 20000);
    QCOMPARE(refused.readLine(), QByteArray("refused\n"));
    refused.closeWriteChannel();
    QVERIFY(refused.waitForFinished(20000));
}

QTEST_GUILESS_MAIN(TestSchedule)
#include "tst_schedule.moc"
