// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

#include "fixture.h"

#include <QAbstractButton>
#include <QListWidget>
#include <QProcess>

using namespace Qt::StringLiterals;

class TestStartup : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void firstStartCreatesBothFilesAndShowsToday()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        QCOMPARE(f.fileBytes("shiwu.edb").size(), 260);
        QCOMPARE(f.fileBytes("renwu.edb").size(), 332);
        QCOMPARE(platform::WindowWidget(platform::Window::Main)->windowTitle(), u"Quillmere 1.1"_s);
        QCOMPARE(f.shownNote(), QString());
        QCOMPARE(qobject_cast<QListWidget *>(f.control("选择列表框_任务"))->count(), 0);
        QVERIFY(qobject_cast<QAbstractButton *>(f.control("单选框_未完成"))->isChecked());
        QCOMPARE(f.picker()->date(), QDate(2026, 12, 11));
        QCOMPARE(QApplication::focusWidget(), f.control("按钮_添加"));
    }

    void everyStartShowsTodayAndKeepsTheOtherFile()
    {
        MainWindowFixture f;
        QVERIFY(f.seedNotes({{Day(2026, 12, 11), u"今天"_s}}));
        QVERIFY(f.start());   // only "renwu.edb" is missing
        QCOMPARE(f.shownNote(), u"今天"_s);
        QCOMPARE(f.fileBytes("renwu.edb").size(), 332);
        f.click("按钮_后一天");
        f.stop();

        QVERIFY(f.start());
        QCOMPARE(currentDate, Day(2026, 12, 11));
        QCOMPARE(f.shownNote(), u"今天"_s);
    }

    void startInAChildProcess_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");

        QTest::newRow("normal end") << u"none"_s << 0 << u"shown"_s;
        QTest::newRow("wrong field type") << u"integer date"_s << 255
            << u"错误\n运行时出错!\r\n\r\n错误代码：5\r\n\r\n错误信息：数据或数组类型不匹配\r\n"_s;
        QTest::newRow("not a record file") << u"garbage"_s << 255 << u"错误\n运行时出错!\r\n\r\n错误信息："_s;
        QTest::newRow("second copy") << u"locked"_s << 0 << u"另一个窗口"_s;
    }

    void startInAChildProcess()
    {
        QFETCH(QString, setup);
        QFETCH(int, exitCode);
        QFETCH(QString, says);

        MainWindowFixture f;
        const QString notes = f.path("shiwu.edb");
        if (setup == u"integer date") {
            store::FieldDescriptor date{platform::ToCp936(u"日期"), 3, 20};
            store::FieldDescriptor text{platform::ToCp936(u"事务"), 10, 512};
            QVERIFY(store::CreateRecordFile(platform::ToCp936(f.path("shiwu")), {date, text}).ok());
            QVERIFY(store::OpenTable(notes, store::NotesTable()).ok());
            QVERIFY(store::AddRecord({store::Value::ofInteger(46000)}).ok());
            store::CloseAllTables();
        } else if (setup == u"garbage") {
            QFile file(notes);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("not a schedule at all");
        } else if (setup == u"locked") {
            QVERIFY(f.start());
        }
        const QByteArray notesBefore = f.fileBytes("shiwu.edb");

        QProcess child;
        child.start(QStringLiteral(MAINWIN_CHILD), {f.path(""), u"close"_s});
        QVERIFY(child.waitForFinished(60000));
        // The box shows its line breaks without the carriage returns.
        const QString out = QString::fromUtf8(child.readAllStandardOutput()).remove(u'\r');
        says.remove(u'\r');
        QVERIFY2(out.contains(says), qPrintable(out + QString::fromUtf8(child.readAllStandardError())));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), exitCode);

        if (setup == u"garbage")
            QVERIFY2(out.contains(notes), qPrintable(out));   // the message names the file
        if (setup != u"none")
            QCOMPARE(f.fileBytes("shiwu.edb"), notesBefore);   // never created over, never cut
        if (setup == u"locked")
            QVERIFY(!out.contains(u"shown"_s));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
