// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

// A change stopped at any moment leaves files that open as they were before
// it or as they are after it, and nothing else.

#include "crashmodel.h"
#include "rawfile.h"

#include "store/fileio.h"
#include "store/schedule.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <memory>
#include <random>

using namespace store;
using Outcome = ScheduleOpen::Outcome;

namespace {

struct Files {
    QByteArray notes;
    QByteArray tasks;
    bool operator==(const Files &) const = default;
};

} // namespace

class TestDurability : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString notesPath() const { return m_dir->filePath(QStringLiteral("shiwu.edb")); }
    QString tasksPath() const { return m_dir->filePath(QStringLiteral("renwu.edb")); }
    // A new file's header holds the second it was created in; that is the
    // one byte range two runs of the same change may differ in.
    Files files() const
    {
        Files f{raw::ReadBytes(notesPath()), raw::ReadBytes(tasksPath())};
        if (m_ignoreCreationTime && f.notes.size() >= 16)
            f.notes.replace(8, 8, QByteArray(8, '\0'));
        return f;
    }
    bool m_ignoreCreationTime = false;
    bool journalLeft() const
    {
        return !QDir(m_dir->path()).entryList({QStringLiteral("*-journal")}, QDir::Files).isEmpty();
    }
    // An open table keeps its journal file; between changes its magic is zeroed.
    bool journalInForce(const QString &filePath) const
    {
        return raw::ReadBytes(filePath + QStringLiteral("-journal")).startsWith("WEDBJRNL");
    }
    // Puts the files back as they were and drops anything a stopped change left.
    void restore(const Files &f)
    {
        QDir dir(m_dir->path());
        for (const QString &name : dir.entryList(QDir::Files))
            QVERIFY(dir.remove(name));
        QVERIFY(raw::WriteBytes(notesPath(), f.notes));
        QVERIFY(raw::WriteBytes(tasksPath(), f.tasks));
    }

private Q_SLOTS:
    void initTestCase() { SetSyncEnabled(false); }   // a stopped process loses nothing unsynced
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void cleanup()
    {
        m_ignoreCreationTime = false;
        io::SetLimit(std::nullopt);
        CloseAllTables();
        m_dir.reset();
    }

    void everyStoppingPoint_data();
    void everyStoppingPoint();
    void failedChangeUndoneBeforeTheNext();
    void journalOfAReplacedFileIgnored();
    void killedAtRandomMoments();
};

void TestDurability::everyStoppingPoint_data()
{
    QTest::addColumn<QString>("change");
    // "modify note again" first modifies the same note in full: the second
    // change's journal is written over the first one's, which is as long.
    for (const char *change : {"append note", "modify note", "modify note again", "delete task", "purge tasks",
                               "append task", "tick task", "open lowering the count", "create over a file"})
        QTest::newRow(change) << QString::fromLatin1(change);
}

void TestDurability::everyStoppingPoint()
{
    QFETCH(QString, change);

    // Three notes; five tasks of which the second and fourth are marked.
    QCOMPARE(OpenScheduleTables(m_dir->path()).outcome, Outcome::Opened);
    QVERIFY(SelectTable(NotesTable()));
    for (int i = 1; i <= 3; ++i)
        QVERIFY(AddRecord({Value::ofDateTime(45000 + i), Value::ofText(QByteArray(200 * i, char('a' + i)))}));
    QVERIFY(SelectTable(TasksTable()));
    for (int i = 1; i <= 5; ++i)
        QVERIFY(AddRecord({Value::ofInteger(i), Value::ofText(QByteArray(10 * i, char('p' + i))), Value::ofLogical(false)}));
    for (int k : {2, 4}) {
        GoTo(k);
        QVERIFY(DeleteRecord());
    }
    CloseAllTables();
    if (change == QLatin1String("open lowering the count")) {
        QByteArray notes = raw::ReadBytes(notesPath());
        raw::SetI32(notes, 16, 9);
        notes.append(QByteArray(100, 'x'));
        QVERIFY(raw::WriteBytes(notesPath(), notes));
    }
    m_ignoreCreationTime = change == QLatin1String("create over a file");
    const bool opens = change != QLatin1String("open lowering the count")
        && change != QLatin1String("create over a file");
    const bool again = change == QLatin1String("modify note again");
    const auto prepare = [&]() -> bool {
        if (opens && OpenScheduleTables(m_dir->path()).outcome != Outcome::Opened)
            return false;
        if (!again)
            return true;
        SelectTable(NotesTable());
        GoTo(3);
        return bool(ModifyRecord({std::nullopt, Value::ofText("first change")}));
    };
    const Files original{raw::ReadBytes(notesPath()), raw::ReadBytes(tasksPath())};
    if (again) {
        QVERIFY(prepare());
        CloseAllTables();
    }
    const Files before = files();
    restore(original);

    const auto run = [&]() -> bool {
        if (change == QLatin1String("open lowering the count"))
            return OpenScheduleTables(m_dir->path()).outcome == Outcome::Opened;
        if (change == QLatin1String("create over a file"))
            return bool(CreateRecordFileAt(notesPath(), {{"n", 3, 20}}, true));
        const bool notes = change.contains(QLatin1String("note"));
        SelectTable(notes ? NotesTable() : TasksTable());
        if (change == QLatin1String("append note"))
            return bool(AddRecord({Value::ofDateTime(46000), Value::ofText(QByteArray(300, 'n'))}));
        if (change.startsWith(QLatin1String("modify note"))) {
            GoTo(3);
            return bool(ModifyRecord({std::nullopt, Value::ofText("short")}));
        }
        if (change == QLatin1String("delete task")) {
            GoTo(3);
            return bool(DeleteRecord());
        }
        if (change == QLatin1String("purge tasks"))
            return bool(PurgeDeleted());
        if (change == QLatin1String("append task"))
            return bool(AddRecord({Value::ofInteger(6), Value::ofText("new"), Value::ofLogical(false)}));
        GoTo(1);
        return bool(ModifyRecord({std::nullopt, std::nullopt, Value::ofLogical(true)}));
    };
    const auto reopened = [&]() {
        CloseAllTables();
        const ScheduleOpen opened = OpenScheduleTables(m_dir->path());
        CloseAllTables();
        return opened.outcome == Outcome::Opened && !journalLeft();
    };

    // The change made whole, for the state after it.
    QVERIFY(prepare());
    QVERIFY(run());
    QVERIFY(reopened());
    const Files after = files();
    QVERIFY(after != before || change == QLatin1String("open lowering the count"));

    bool sawBefore = false;
    for (std::int64_t n = 0;; ++n) {
        restore(original);
        QVERIFY(prepare());
        io::SetLimit(n);
        const bool completed = run();
        CloseAllTables();   // still stopped: closing does no more than a crash would
        io::SetLimit(std::nullopt);
        QVERIFY2(reopened(), qPrintable(QStringLiteral("stopped after %1 units").arg(n)));
        const Files now = files();
        sawBefore = sawBefore || now == before;
        QVERIFY2(now == before || now == after, qPrintable(QStringLiteral("stopped after %1 units").arg(n)));
        if (completed) {
            QVERIFY(now == after);
            break;
        }
        QVERIFY(n < 100000);
    }
    QVERIFY(sawBefore || change == QLatin1String("open lowering the count"));
}

void TestDurability::failedChangeUndoneBeforeTheNext()
{
    QCOMPARE(OpenScheduleTables(m_dir->path()).outcome, Outcome::Opened);
    QVERIFY(SelectTable(NotesTable()));
    QVERIFY(AddRecord({Value::ofDateTime(45000), Value::ofText(QByteArray(400, 'o'))}));
    const QByteArray before = raw::ReadBytes(notesPath());

    // Stopped in the middle of writing the new text, after its journal is complete.
    io::ResetUnitsUsed();
    QVERIFY(ModifyRecord({std::nullopt, Value::ofText(QByteArray(400, 'n'))}));
    const std::int64_t whole = io::UnitsUsed();
    io::SetLimit(whole - 1 - 200);
    const Status stopped = ModifyRecord({std::nullopt, Value::ofText(QByteArray(400, 'm'))});
    io::SetLimit(std::nullopt);
    QCOMPARE(stopped.code, Status::Code::Io);
    QVERIFY(journalInForce(notesPath()));
    QVERIFY(raw::ReadBytes(notesPath()).contains(QByteArray(100, 'm')));
    QCOMPARE(ReadField(NoteTextField()).text, QByteArray(400, 'n'));

    // The next change first puts back what the stopped one began.
    QVERIFY(AddRecord({Value::ofDateTime(45001), Value::ofText("next")}));
    QVERIFY(!journalInForce(notesPath()));
    const QList<raw::Note> notes = raw::Notes(raw::ReadBytes(notesPath()));
    QCOMPARE(notes.size(), 2);
    QCOMPARE(notes[0].text, QByteArray(400, 'n'));
    QCOMPARE(notes[1].text, QByteArray("next"));
    QVERIFY(before.size() > 0);
    CloseAllTables();
    QVERIFY(!journalLeft());
}

void TestDurability::journalOfAReplacedFileIgnored()
{
    QCOMPARE(OpenScheduleTables(m_dir->path()).outcome, Outcome::Opened);
    QVERIFY(SelectTable(NotesTable()));
    QVERIFY(AddRecord({Value::ofDateTime(45000), Value::ofText(QByteArray(400, 'o'))}));
    io::SetLimit(700);   // the journal whole, the record half written
    QVERIFY(!ModifyRecord({std::nullopt, Value::ofText(QByteArray(400, 'n'))}));
    io::SetLimit(std::nullopt);
    CloseAllTables();
    QVERIFY(journalLeft());

    // The file is replaced before anything opens it: its old journal must not
    // be played back into the new one.
    QVERIFY(CreateRecordFileAt(notesPath(), {{"a", 3, 20}, {"b", 10, 600}}, true));
    const QByteArray fresh = raw::ReadBytes(notesPath());
    QCOMPARE(fresh.size(), 116 + 2 * 72);
    QVERIFY(OpenTable(notesPath(), NotesTable()));
    QCOMPARE(raw::ReadBytes(notesPath()), fresh);
    QVERIFY(!journalLeft());
}

void TestDurability::killedAtRandomMoments()
{
    constexpr int kRounds = 60;
    QCOMPARE(OpenScheduleTables(m_dir->path()).outcome, Outcome::Opened);
    crash::Contents expected = crash::Read(m_dir->path());
    CloseAllTables();
    std::mt19937 timing(4242);
    int completed = 0;
    int underWay = 0;

    for (int round = 0; round < kRounds; ++round) {
        const unsigned seed = 1000 + unsigned(round);
        QProcess child;
        child.start(QStringLiteral(STORE_CHILD), {QStringLiteral("change"), m_dir->path(),
                                                   QString::number(seed), QString::number(round % 4 == 0)});
        QVERIFY(child.waitForStarted());
        QByteArray output;
        QElapsedTimer waiting;
        waiting.start();
        while (!output.contains("R\n") && child.state() == QProcess::Running && waiting.elapsed() < 30000) {
            child.waitForReadyRead(100);
            output += child.readAllStandardOutput();
        }
        QVERIFY2(output.startsWith("R\n"), child.readAllStandardError().constData());
        QThread::usleep(std::uniform_int_distribution<unsigned>(0, 40000)(timing));
        child.kill();
        QVERIFY(child.waitForFinished(30000));
        QVERIFY2(child.exitStatus() == QProcess::CrashExit, child.readAllStandardError().constData());
        output += child.readAllStandardOutput();

        // Every change reported done is there; the one under way is whole or absent.
        std::mt19937 rng(seed);
        for (qsizetype done = output.count("D\n"); done > 0; --done)
            crash::Apply(expected, crash::Next(rng, expected));
        crash::Contents withNext = expected;
        crash::Apply(withNext, crash::Next(rng, expected));
        const ScheduleOpen opened = OpenScheduleTables(m_dir->path());
        QVERIFY2(opened.outcome == Outcome::Opened, qPrintable(opened.message));
        CloseAllTables();
        QVERIFY(!journalLeft());
        const crash::Contents actual = crash::Read(m_dir->path());
        QVERIFY2(actual == expected || actual == withNext, qPrintable(QStringLiteral("round %1").arg(round)));
        completed += int(output.count("D\n"));
        underWay += actual == withNext && !(actual == expected);
        expected = actual;
    }
    qInfo("%d changes completed in %d rounds; %d killed after the change but before its report",
          completed, kRounds, underWay);
    QVERIFY(completed > 0);
}

QTEST_GUILESS_MAIN(TestDurability)
#include "tst_durability.moc"
