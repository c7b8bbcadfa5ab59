// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

#include "fixture.h"
#include "notefile.h"

#include <QClipboard>
#include <QInputMethodEvent>
#include <QMessageBox>
#include <QSessionManager>


using namespace Qt::StringLiterals;

namespace {

const QDate kToday(2026, 12, 11);

} // namespace

class TestDayNotes : public QObject {
    Q_OBJECT

    std::unique_ptr<MainWindowFixture> f;

    QList<NoteRecord> notes() const { return ReadNoteFile(f->path("shiwu.edb")); }

private Q_SLOTS:
    void init() { f = std::make_unique<MainWindowFixture>(); }
    void cleanup() { f.reset(); }

    void untouchedDayStoresNothing()
    {
        QVERIFY(f->start());
        QCOMPARE(f->shownNote(), QString());
        const QByteArray before = f->fileBytes("shiwu.edb");
        QCOMPARE(before.size(), 260);

        f->enterNotes();
        f->leaveNotes();
        QCOMPARE(f->fileBytes("shiwu.edb"), before);

        // Typing and deleting everything is still an edit: the day gets an empty note.
        f->typeNote(QStringLiteral("x"));
        QTest::keyClick(f->control(MainWindowFixture::kNotesBox), Qt::Key_Backspace);
        f->leaveNotes();
        const auto records = notes();
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].date, Day(2026, 12, 11));
        QCOMPARE(records[0].text, QByteArray());
    }

    void showingANoteNeverMarksItEdited()
    {
        QVERIFY(f->seedNotes({{Day(2026, 12, 11), u"今天的事"_s}, {Day(2026, 12, 12), u"明天"_s}}));
        QVERIFY(f->start());
        QCOMPARE(f->shownNote(), u"今天的事"_s);
        const QByteArray before = f->fileBytes("shiwu.edb");

        f->enterNotes();
        f->leaveNotes();
        f->click("按钮_后一天");
        QCOMPARE(f->shownNote(), u"明天"_s);
        f->enterNotes();
        f->click("按钮_前一天");
        QCOMPARE(f->shownNote(), u"今天的事"_s);
        QCOMPARE(noteDirty, 0);
        QCOMPARE(f->fileBytes("shiwu.edb"), before);
    }

    void editIsStoredUnderItsDayWhenStepping()
    {
        QVERIFY(f->start());
        f->typeNote(u"周五开会"_s);
        f->click("按钮_后一天");
        QCOMPARE(f->shownNote(), QString());
        QCOMPARE(currentDate, Day(2026, 12, 12));
        QCOMPARE(f->picker()->date(), kToday.addDays(1));

        f->click("按钮_前一天");
        QCOMPARE(f->shownNote(), u"周五开会"_s);
        QCOMPARE(f->picker()->date(), kToday);
        const auto records = notes();
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].date, Day(2026, 12, 11));
        QCOMPARE(records[0].text, platform::ToCp936(u"周五开会"));
    }

    void pickingAnotherDayStoresTheEditUnderTheOldDay()
    {
        QVERIFY(f->seedNotes({{Day(2026, 12, 20), u"旧事"_s}}));
        QVERIFY(f->start());
        f->typeNote(u"今天"_s);
        f->picker()->setDate(QDate(2026, 12, 20));   // as the calendar popup does
        QTRY_COMPARE(f->shownNote(), u"旧事"_s);
        QCOMPARE(currentDate, Day(2026, 12, 20));

        const auto records = notes();
        QCOMPARE(records.size(), 2);
        QCOMPARE(records[1].date, Day(2026, 12, 11));
        QCOMPARE(records[1].text, platform::ToCp936(u"今天"));
    }

    void quickPickerChangesEndOnTheLastDay()
    {
        QVERIFY(f->seedNotes({{Day(2026, 12, 13), u"十三"_s}, {Day(2026, 12, 14), u"十四"_s}}));
        QVERIFY(f->start());
        f->picker()->setDate(QDate(2026, 12, 13));
        f->picker()->setDate(QDate(2026, 12, 14));
        QTRY_COMPARE(currentDate, Day(2026, 12, 14));
        QTRY_COMPARE(f->shownNote(), u"十四"_s);
        QCOMPARE(f->picker()->date(), QDate(2026, 12, 14));
    }

    void onlyTheDatePartCounts_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<double>("day");
        QTest::newRow("morning") << QDateTime(kToday, QTime(10, 0)) << Day(2026, 12, 11);
        QTest::newRow("half a second before midnight")
            << QDateTime(kToday, QTime(23, 59, 59, 500)) << Day(2026, 12, 12);
        QTest::newRow("just under half a second before midnight")
            << QDateTime(kToday, QTime(23, 59, 59, 499)) << Day(2026, 12, 11);
        QTest::newRow("before 1899-12-30") << QDateTime(QDate(1899, 12, 29), QTime(6, 0)) << -1.0;
    }

    void onlyTheDatePartCounts()
    {
        QFETCH(QDateTime, now);
        QFETCH(double, day);
        QVERIFY(f->start(now));
        QCOMPARE(currentDate, day);
        QCOMPARE(f->picker()->date(), platform::ToLocalDateTime(day).date());

        f->typeNote(QStringLiteral("x"));
        f->leaveNotes();
        const auto records = notes();
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].date, day);
    }

    void noteOfExactly512Bytes()
    {
        QVERIFY(f->start());
        const QString full(256, QChar(u'字'));   // two bytes each in code page 936
        f->typeNote(full);
        TypeText(f->control(MainWindowFixture::kNotesBox), u"a字"_s);
        QCOMPARE(f->shownNote(), full);   // the box is full: nothing more goes in
        f->leaveNotes();

        auto records = notes();
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].text.size(), 512);
        QVERIFY(!records[0].terminated);

        f->stop();
        QVERIFY(f->start());
        QCOMPARE(f->shownNote(), full);
    }

    void pasteIsCutAtACharacterBoundary()
    {
        QVERIFY(f->start());
        f->typeNote(QStringLiteral("a"));
        QGuiApplication::clipboard()->setText(QString(300, QChar(u'字')));
        QTest::keyClick(f->control(MainWindowFixture::kNotesBox), Qt::Key_V, Qt::ControlModifier);
        // One byte plus 255 whole characters; the 256th would split across the limit.
        QCOMPARE(f->shownNote(), QStringLiteral("a") + QString(255, QChar(u'字')));
        f->leaveNotes();
        QCOMPARE(notes().value(0).text.size(), 511);
    }

    void steppingPastTheLastDay()
    {
        QVERIFY(f->start());
        f->picker()->setDate(QDate(9999, 12, 31));
        QTRY_COMPARE(currentDate, platform::kLastDay);
        f->click("按钮_后一天");
        QCOMPARE(currentDate, platform::kLastDay + 1);
        QCOMPARE(f->picker()->date(), QDate(9999, 12, 31));

        // Look-ups clamp, so the box goes on showing and storing 9999-12-31.
        f->typeNote(QStringLiteral("end"));
        f->leaveNotes();
        f->click("按钮_前一天");
        f->click("按钮_后一天");
        QCOMPARE(f->shownNote(), QStringLiteral("end"));
        const auto records = notes();
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].date, platform::kLastDay + 1);
    }

    void steppingOntoDayZeroShowsThatDay()
    {
        QVERIFY(f->seedNotes({{0.0, u"零日"_s}}));
        QVERIFY(f->start());
        f->picker()->setDate(QDate(1899, 12, 31));
        QTRY_COMPARE(currentDate, 1.0);
        f->click("按钮_前一天");
        QCOMPARE(currentDate, 0.0);
        QCOMPARE(f->shownNote(), u"零日"_s);
        QCOMPARE(f->picker()->date(), QDate(1899, 12, 30));
        f->click("按钮_前一天");
        QCOMPARE(currentDate, -1.0);
    }

    void firstOfTwoRecordsOfADayIsUsed()
    {
        QVERIFY(f->seedNotes({{Day(2026, 12, 11), u"甲"_s}, {Day(2026, 12, 11), u"乙"_s}}));
        QVERIFY(f->start());
        QCOMPARE(f->shownNote(), u"甲"_s);
        f->typeNote(u"丙"_s);
        f->leaveNotes();
        const auto records = notes();
        QCOMPARE(records.size(), 2);
        QCOMPARE(records[0].text, platform::ToCp936(u"甲丙"));
        QCOMPARE(records[1].text, platform::ToCp936(u"乙"));
    }

    void pendingEditIsStoredWhenTheWindowCloses_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Esc") << true;
        QTest::newRow("close box") << false;
    }

    void pendingEditIsStoredWhenTheWindowCloses()
    {
        QFETCH(bool, escape);
        QVERIFY(f->start());
        f->typeNote(u"晚安"_s);
        if (escape)
            QTest::keyClick(f->control(MainWindowFixture::kNotesBox), Qt::Key_Escape);
        else
            platform::WindowWidget(platform::Window::Main)->close();
        QTRY_VERIFY(!platform::IsLoaded(platform::Window::Main));
        const auto records = notes();
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].text, platform::ToCp936(u"晚安"));
    }

    void unfinishedCompositionIsStored()
    {
        QVERIFY(f->start());
        f->typeNote(u"今天"_s);
        QInputMethodEvent composing(u"开会"_s, {});
        QCoreApplication::sendEvent(f->control(MainWindowFixture::kNotesBox), &composing);
        f->click("按钮_后一天");
        QCOMPARE(notes().value(0).text, platform::ToCp936(u"今天开会"));
    }

    void pendingEditIsStoredWhenTheSessionEnds()
    {
        QVERIFY(f->start());
        f->typeNote(u"关机前"_s);
        // Log-off may end the process without closing the window; Qt asks
        // the program to save through its session manager first.
        auto *manager = qApp->findChild<QSessionManager *>();
        QVERIFY(manager);
        Q_EMIT qApp->commitDataRequest(*manager);
        QCOMPARE(notes().value(0).text, platform::ToCp936(u"关机前"));
        QCOMPARE(noteDirty, 0);
    }

    void noteThatCannotBeStoredStaysInTheBox()
    {
        QVERIFY(f->start());
        MessageCatcher messages;
        FileSizeLimit limit(260);   // "shiwu.edb" cannot grow past its header
        f->typeNote(u"留住"_s);
        f->click("按钮_后一天");

        // A synthetic click delivers its release after the message box has
        // closed, so the button's own retry may report a second time.
        QTRY_VERIFY(!messages.texts.isEmpty());
        QVERIFY(messages.texts.first().contains(u"没有保存"_s));
        QCOMPARE(f->shownNote(), u"留住"_s);
        QCOMPARE(currentDate, Day(2026, 12, 11));
        QCOMPARE(f->picker()->date(), kToday);
        QCOMPARE(noteDirty, 1);
        QVERIFY(notes().isEmpty());

        limit.lift();
        const qsizetype reported = messages.texts.size();
        f->enterNotes();
        f->leaveNotes();
        const auto records = notes();
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].text, platform::ToCp936(u"留住"));
        QCOMPARE(messages.texts.size(), reported);
    }

    void windowStaysOpenWhileItsNoteCannotBeStored()
    {
        QVERIFY(f->start());
        MessageCatcher messages;
        FileSizeLimit limit(260);
        f->typeNote(u"别丢"_s);
        QTest::keyClick(f->control(MainWindowFixture::kNotesBox), Qt::Key_Escape);
        QTRY_COMPARE(messages.texts.size(), 1);
        QVERIFY(platform::IsLoaded(platform::Window::Main));
        QCOMPARE(f->shownNote(), u"别丢"_s);

        limit.lift();
        f->enterNotes();
        QTest::keyClick(f->control(MainWindowFixture::kNotesBox), Qt::Key_Escape);
        QTRY_VERIFY(!platform::IsLoaded(platform::Window::Main));
        QCOMPARE(notes().value(0).text, platform::ToCp936(u"别丢"));
        QCOMPARE(messages.texts.size(), 1);
    }
};

QTEST_MAIN(TestDayNotes)
#include "tst_daynotes.moc"
