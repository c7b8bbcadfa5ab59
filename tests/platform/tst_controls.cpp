// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

// The controls of the main window as the handlers see them: which events
// arrive, when, and what the boxes take in.

#include "windowfixture.h"

#include <QClipboard>
#include <QInputMethodEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSessionManager>
#include <QWindow>

#include "platform/calendar.h"

class TestControls : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup() { m_fixture.reset(); }

    void setEditTextRaisesOnceAtOnce_data();
    void setEditTextRaisesOnceAtOnce();
    void typingRaisesPerChange();
    void refusesWhatCodePage936CannotHold_data();
    void refusesWhatCodePage936CannotHold();
    void notesByteLimit_data();
    void notesByteLimit();
    void compositionCommittedBeforeLostFocus_data();
    void compositionCommittedBeforeLostFocus();
    void sessionEndingStoresPending();

    void pickerValue_data();
    void pickerValue();
    void pickerInitialValueIsNow();
    void pickerUserChangeFromLoopOnly();

    void listProgramCallsRaiseNothing();
    void listClickOnCheckBoxSelectsThenReports();
    void listDoubleClicks();
    void listSpaceReportsFocusedItem();

    void messageBox_data();
    void messageBox();
    void fitsCp936_data();
    void fitsCp936();

private:
    QWidget *focusControl(const char *name);
    QRect itemRect(int row, bool checkBox) const;
    bool loadListRecordingChanges();

    std::unique_ptr<WindowFixture> m_fixture;
    QStringList m_changes;
};

static constexpr const char *kNotes = "编辑框_事务";
static constexpr const char *kPicker = "日期框1";
static constexpr const char *kList = "选择列表框_任务";

void TestControls::init()
{
    m_fixture = std::make_unique<WindowFixture>();
    m_changes.clear();
}

QWidget *TestControls::focusControl(const char *name)
{
    QWidget *widget = m_fixture->control(name);
    widget->setFocus(Qt::TabFocusReason);
    return widget;
}

QRect TestControls::itemRect(int row, bool checkBox) const
{
    auto *list = m_fixture->control<platform::CheckList>(kList);
    QListWidgetItem *item = list->item(row);
    const QRect box = list->checkBoxRect(item);
    if (checkBox)
        return box;
    QRect text = list->visualItemRect(item);
    text.setLeft(box.right() + 20);
    return text;
}

void TestControls::setEditTextRaisesOnceAtOnce_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("read");
    QTest::newRow("new text") << u"旧"_s << u"新的文字"_s << u"新的文字"_s;
    QTest::newRow("equal text") << u"同"_s << u"同"_s << u"同"_s;
    QTest::newRow("emptied") << u"旧"_s << QString() << QString();
    QTest::newRow("line breaks kept as CR LF") << QString() << u"一\r\n二"_s << u"一\r\n二"_s;
}

void TestControls::setEditTextRaisesOnceAtOnce()
{
    QFETCH(QString, before);
    QFETCH(QString, written);
    QFETCH(QString, read);
    QStringList seen;
    platform::Bind(Window::Main, kNotes, Event::TextChanged,
                   [&] { seen.append(U(platform::EditText(Window::Main, kNotes))); });
    QVERIFY(m_fixture->loadMain());
    platform::SetEditText(Window::Main, kNotes, B(before));
    seen.clear();

    platform::SetEditText(Window::Main, kNotes, B(written));
    QCOMPARE(seen, QStringList{read});   // inside the call, with the new text in place
    QTest::qWait(10);
    QCOMPARE(seen.size(), 1);
}

void TestControls::typingRaisesPerChange()
{
    int changes = 0;
    platform::Bind(Window::Main, kNotes, Event::TextChanged, [&] { ++changes; });
    QVERIFY(m_fixture->loadMain());
    QWidget *notes = focusControl(kNotes);
    TypeText(notes, u"日程"_s);
    QTest::keyClick(notes, Qt::Key_Backspace);
    QCOMPARE(changes, 3);
    QCOMPARE(U(platform::EditText(Window::Main, kNotes)), u"日"_s);

    // A composition in progress is not yet a change of the text.
    QInputMethodEvent preedit(u"ri"_s, {});
    QApplication::sendEvent(notes, &preedit);
    QCOMPARE(changes, 3);
}

void TestControls::refusesWhatCodePage936CannotHold_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("kept");
    for (const QString &how : {u"key"_s, u"input method"_s, u"paste"_s}) {
        QTest::addRow("%s: emoji", qPrintable(how)) << how << u"😀"_s << QString();
        QTest::addRow("%s: Thai letter", qPrintable(how)) << how << u"ก"_s << QString();
        QTest::addRow("%s: euro sign fits", qPrintable(how)) << how << u"€"_s << u"€"_s;
    }
    QTest::newRow("paste: the rest goes in") << u"paste"_s << u"早😀上好"_s << u"早上好"_s;
    QTest::newRow("input method: the rest goes in") << u"input method"_s << u"早😀上"_s << u"早上"_s;
}

void TestControls::refusesWhatCodePage936CannotHold()
{
    QFETCH(QString, how);
    QFETCH(QString, input);
    QFETCH(QString, kept);
    QVERIFY(m_fixture->loadMain());
    platform::LoadWindow(Window::TaskName, false);   // not modal here, so both boxes can be driven
    for (auto [window, box] : {std::pair(Window::Main, kNotes), std::pair(Window::TaskName, "编辑框1")}) {
        QWidget *widget = platform::Control(window, box);
        widget->activateWindow();
        widget->setFocus(Qt::TabFocusReason);
        QVERIFY(QTest::qWaitForWindowActive(widget->window()));
        if (how == u"key") {
            TypeText(widget, input);
        } else if (how == u"input method") {
            QInputMethodEvent commit;
            commit.setCommitString(input);
            QApplication::sendEvent(widget, &commit);
        } else {
            QApplication::clipboard()->setText(input);
            QTest::keyClick(widget, Qt::Key_V, Qt::ControlModifier);
        }
        QCOMPARE(U(platform::EditText(window, box)), kept);
    }
}

void TestControls::notesByteLimit_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<int>("heldBytes");   // ASCII already in the box
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("added");

    QTest::newRow("notes: paste cut before a double-byte character")
        << u"main"_s << 511 << u"paste"_s << u"中a"_s << QString();
    QTest::newRow("notes: paste cut at the limit") << u"main"_s << 508 << u"paste"_s << u"日程安排"_s << u"日程"_s;
    QTest::newRow("notes: paste fills exactly") << u"main"_s << 510 << u"paste"_s << u"a中"_s << u"a"_s;
    QTest::newRow("notes: typing stops at the limit") << u"main"_s << 510 << u"key"_s << u"abc"_s << u"ab"_s;
    QTest::newRow("notes: no room for a double-byte character")
        << u"main"_s << 511 << u"key"_s << u"中"_s << QString();
    QTest::newRow("notes: a line break costs two bytes") << u"main"_s << 511 << u"paste"_s << u"\nb"_s << QString();
    QTest::newRow("notes: line break fits") << u"main"_s << 510 << u"paste"_s << u"\r\nb"_s << u"\r\n"_s;
    QTest::newRow("name: 50 bytes") << u"name"_s << 47 << u"paste"_s << u"任务名称"_s << u"任"_s;
    QTest::newRow("name: typing stops at 50") << u"name"_s << 49 << u"key"_s << u"ab"_s << u"a"_s;
    QTest::newRow("name: input method cut") << u"name"_s << 46 << u"input method"_s << u"一二三"_s << u"一二"_s;
}

void TestControls::notesByteLimit()
{
    QFETCH(QString, window);
    QFETCH(int, heldBytes);
    QFETCH(QString, how);
    QFETCH(QString, input);
    QFETCH(QString, added);
    QVERIFY(m_fixture->loadMain());
    Window target = Window::Main;
    const char *box = kNotes;
    if (window == u"name") {
        platform::LoadWindow(Window::TaskName, false);
        target = Window::TaskName;
        box = "编辑框1";
    }
    QWidget *widget = platform::Control(target, box);
    QVERIFY(QTest::qWaitForWindowActive(widget->window()));
    widget->setFocus(Qt::TabFocusReason);
    const QString held(heldBytes, QLatin1Char('x'));
    platform::SetEditText(target, box, B(held));
    if (auto *notes = qobject_cast<QPlainTextEdit *>(widget))
        notes->moveCursor(QTextCursor::End);
    else
        qobject_cast<QLineEdit *>(widget)->end(false);

    if (how == u"key") {
        TypeText(widget, input);
    } else if (how == u"input method") {
        QInputMethodEvent commit;
        commit.setCommitString(input);
        QApplication::sendEvent(widget, &commit);
    } else {
        QApplication::clipboard()->setText(input);
        QTest::keyClick(widget, Qt::Key_V, Qt::ControlModifier);
    }
    QCOMPARE(U(platform::EditText(target, box)), held + added);
}

void TestControls::compositionCommittedBeforeLostFocus_data()
{
    QTest::addColumn<bool>("nameBox");
    QTest::addColumn<bool>("byFocusMove");
    QTest::newRow("notes box, focus moves") << false << true;
    QTest::newRow("notes box, commit on demand") << false << false;
    QTest::newRow("name box, focus moves") << true << true;
    QTest::newRow("name box, commit on demand") << true << false;
}

void TestControls::compositionCommittedBeforeLostFocus()
{
    QFETCH(bool, nameBox);
    QFETCH(bool, byFocusMove);
    const Window window = nameBox ? Window::TaskName : Window::Main;
    const char *box = nameBox ? "编辑框1" : kNotes;
    QStringList lost;
    platform::Bind(window, box, Event::LostFocus, [&] { lost.append(U(platform::EditText(window, box))); });
    QVERIFY(m_fixture->loadMain());
    if (nameBox)
        platform::LoadWindow(Window::TaskName, false);
    QWidget *widget = platform::Control(window, box);
    QVERIFY(QTest::qWaitForWindowActive(widget->window()));
    widget->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(widget->hasFocus());
    TypeText(widget, u"今天"_s);
    QInputMethodEvent preedit(u"开会"_s, {});
    QApplication::sendEvent(widget, &preedit);
    QCOMPARE(U(platform::EditText(window, box)), u"今天"_s);   // still composing

    if (byFocusMove) {
        QTest::keyClick(widget, Qt::Key_Tab);
        QCOMPARE(lost, QStringList{u"今天开会"_s});
    } else {
        platform::CommitInputMethod();
        QVERIFY(lost.isEmpty());
        QVERIFY(widget->hasFocus());
    }
    QCOMPARE(U(platform::EditText(window, box)), u"今天开会"_s);
}

void TestControls::sessionEndingStoresPending()
{
    QStringList seen;
    platform::Bind(Window::Main, nullptr, Event::SessionEnding,
                   [&] { seen.append(U(platform::EditText(Window::Main, kNotes))); });
    QVERIFY(m_fixture->loadMain());
    QWidget *notes = focusControl(kNotes);
    QTRY_VERIFY(notes->hasFocus());
    TypeText(notes, u"下午"_s);
    QInputMethodEvent preedit(u"散步"_s, {});
    QApplication::sendEvent(notes, &preedit);

    // What Qt does when the desktop session asks the program to save.
    auto *manager = qApp->findChild<QSessionManager *>();
    QVERIFY(manager);
    Q_EMIT qApp->commitDataRequest(*manager);
    QCOMPARE(seen, QStringList{u"下午散步"_s});
}

void TestControls::pickerValue_data()
{
    QTest::addColumn<double>("written");
    QTest::addColumn<QDate>("shown");
    QTest::addColumn<double>("read");
    QTest::newRow("with time of day") << 45000.75 << QDate(2023, 3, 15) << 45000.75;
    QTest::newRow("23:59:59.5 shows the next day") << 45000.0 + 86399.5 / 86400.0 << QDate(2023, 3, 16) << 45001.0;
    QTest::newRow("0 is 1899-12-30, not now") << 0.0 << QDate(1899, 12, 30) << 0.0;
    QTest::newRow("negative") << -1.25 << QDate(1899, 12, 29) << -1.25;
    QTest::newRow("first day") << platform::kFirstDay << QDate(100, 1, 1) << platform::kFirstDay;
    QTest::newRow("last day") << platform::kLastDay << QDate(9999, 12, 31) << platform::kLastDay;
    QTest::newRow("past the last day") << platform::kLastDay + 1 << QDate(9999, 12, 31) << platform::kLastDay;
    QTest::newRow("before the first day") << platform::kFirstDay - 1 << QDate(100, 1, 1) << platform::kFirstDay;
}

void TestControls::pickerValue()
{
    QFETCH(double, written);
    QFETCH(QDate, shown);
    QFETCH(double, read);
    int changes = 0;
    platform::Bind(Window::Main, kPicker, Event::DateChanged, [&] { ++changes; });
    QVERIFY(m_fixture->loadMain());
    platform::SetPickerValue(Window::Main, kPicker, written);
    QCOMPARE(m_fixture->control<QDateEdit>(kPicker)->date(), shown);
    QVERIFY(qAbs(platform::PickerValue(Window::Main, kPicker) - read) < 0.001 / 86400.0);
    QTest::qWait(20);
    QCOMPARE(changes, 0);
}

void TestControls::pickerInitialValueIsNow()
{
    const QDateTime now(QDate(2026, 3, 4), QTime(10, 11, 12, 345));
    platform::SetClock([now] { return now; });
    QVERIFY(m_fixture->loadMain());
    QCOMPARE(m_fixture->control<QDateEdit>(kPicker)->date(), now.date());
    QCOMPARE(platform::ToLocalDateTime(platform::PickerValue(Window::Main, kPicker)), now);
}

void TestControls::pickerUserChangeFromLoopOnly()
{
    // A day change made while another handler runs, even one waiting in a
    // message box, reaches the picker's handler only after that one returns.
    bool inHandler = false;
    QList<QDate> delivered;
    QList<bool> nested;
    platform::Bind(Window::Main, kPicker, Event::DateChanged, [&] {
        nested.append(inHandler);
        delivered.append(platform::ToLocalDateTime(platform::PickerValue(Window::Main, kPicker)).date());
    });
    platform::Bind(Window::Main, "按钮_添加", Event::Click, [&] {
        inHandler = true;
        auto *picker = m_fixture->control<QDateEdit>(kPicker);
        picker->setFocus(Qt::TabFocusReason);
        picker->setCurrentSection(QDateTimeEdit::DaySection);
        QTest::keyClick(picker, Qt::Key_Up);
        WhenModal([](QWidget *) { QTest::qWait(20); });
        platform::ShowMessage(B(u"等一下"_s));
        inHandler = false;
    });
    const QDateTime now(QDate(2026, 3, 4), QTime(9, 0));
    platform::SetClock([now] { return now; });
    QVERIFY(m_fixture->loadMain());

    auto *picker = m_fixture->control<QDateEdit>(kPicker);
    picker->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(picker->hasFocus());
    picker->setCurrentSection(QDateTimeEdit::DaySection);
    QTest::keyClick(picker, Qt::Key_Up);
    QCOMPARE(delivered.size(), 0);   // not inside the change
    QTRY_COMPARE(delivered, QList<QDate>{QDate(2026, 3, 5)});

    qobject_cast<QAbstractButton *>(m_fixture->control("按钮_添加"))->click();
    QTRY_COMPARE(delivered.size(), 2);
    QCOMPARE(delivered.last(), QDate(2026, 3, 6));
    QCOMPARE(nested, (QList<bool>{false, false}));
    // The time of day stays with the value.
    QCOMPARE(platform::ToLocalDateTime(platform::PickerValue(Window::Main, kPicker)).time(), QTime(9, 0));
}

void TestControls::listProgramCallsRaiseNothing()
{
    m_fixture->log(Window::Main, kList, Event::CheckChange, u"check"_s);
    m_fixture->log(Window::Main, kList, Event::DoubleClick, u"double"_s);
    QVERIFY(m_fixture->loadMain());
    for (int i = 0; i < 3; ++i)
        platform::ListAddItem(Window::Main, kList, B(u"任务%1"_s.arg(i)), 10 + i);
    platform::ListSetCheck(Window::Main, kList, 1, true);
    platform::ListSetItemText(Window::Main, kList, 2, B(u"改名"_s));
    platform::ListSetItemValue(Window::Main, kList, 0, 7);
    QCOMPARE(platform::ListCount(Window::Main, kList), 3);
    QCOMPARE(platform::ListSelectedIndex(Window::Main, kList), -1);   // adding selects nothing
    QVERIFY(platform::ListIsChecked(Window::Main, kList, 1));
    QVERIFY(!platform::ListIsChecked(Window::Main, kList, 0));
    QCOMPARE(U(platform::ListItemText(Window::Main, kList, 2)), u"改名"_s);
    QCOMPARE(platform::ListItemValue(Window::Main, kList, 0), 7);
    QCOMPARE(platform::ListItemValue(Window::Main, kList, 1), 11);

    // Outside the items: empty, -1, false; setters change nothing.
    for (int outside : {-1, 3}) {
        QVERIFY(platform::ListItemText(Window::Main, kList, outside).isEmpty());
        QCOMPARE(platform::ListItemValue(Window::Main, kList, outside), -1);
        QVERIFY(!platform::ListIsChecked(Window::Main, kList, outside));
        platform::ListSetCheck(Window::Main, kList, outside, true);
        platform::ListSetItemText(Window::Main, kList, outside, B(u"x"_s));
        platform::ListSetItemValue(Window::Main, kList, outside, 99);
        platform::ListDeleteItem(Window::Main, kList, outside);
    }
    QCOMPARE(platform::ListCount(Window::Main, kList), 3);

    auto *list = m_fixture->control<QListWidget>(kList);
    list->setCurrentRow(1);
    QCOMPARE(platform::ListSelectedIndex(Window::Main, kList), 1);
    platform::ListDeleteItem(Window::Main, kList, 1);
    QCOMPARE(platform::ListCount(Window::Main, kList), 2);
    QCOMPARE(platform::ListSelectedIndex(Window::Main, kList), -1);
    QCOMPARE(U(platform::ListItemText(Window::Main, kList, 1)), u"改名"_s);
    list->setCurrentRow(0);
    platform::ListClear(Window::Main, kList);
    QCOMPARE(platform::ListSelectedIndex(Window::Main, kList), -1);
    QTest::qWait(10);
    QCOMPARE(m_fixture->events, QStringList());

    // The line height: the standard one plus 2 pixels.
    platform::ListAddItem(Window::Main, kList, B(u"行"_s), 1);
    QListWidget plain;
    plain.setFont(list->font());
    auto *reference = new QListWidgetItem(u"行"_s, &plain);
    reference->setFlags(reference->flags() | Qt::ItemIsUserCheckable);
    reference->setCheckState(Qt::Unchecked);
    QCOMPARE(list->sizeHintForRow(0), plain.sizeHintForRow(0) + 2);
}

// The main window with three tasks in its list; every check change is noted
// in m_changes with the item it names, the selection and the item's mark.
bool TestControls::loadListRecordingChanges()
{
    platform::Bind(Window::Main, kList, Event::CheckChange, [this] {
        const int index = platform::CheckChangedIndex();
        m_changes.append(u"%1 selected %2 checked %3"_s.arg(index)
                             .arg(platform::ListSelectedIndex(Window::Main, kList))
                             .arg(platform::ListIsChecked(Window::Main, kList, index)));
    });
    if (!m_fixture->loadMain())
        return false;
    for (int i = 0; i < 3; ++i)
        platform::ListAddItem(Window::Main, kList, B(u"任务%1"_s.arg(i)), i + 1);
    return true;
}

void TestControls::listClickOnCheckBoxSelectsThenReports()
{
    QVERIFY(loadListRecordingChanges());
    auto *list = m_fixture->control<QListWidget>(kList);

    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, itemRect(2, true).center());
    QCOMPARE(m_changes, QStringList{u"2 selected 2 checked 1"_s});
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, itemRect(0, true).center());
    QCOMPARE(m_changes.last(), u"0 selected 0 checked 1"_s);
    // A click on the text selects without ticking.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, itemRect(1, false).center());
    QCOMPARE(m_changes.size(), 2);
    QCOMPARE(platform::ListSelectedIndex(Window::Main, kList), 1);
    QVERIFY(!platform::ListIsChecked(Window::Main, kList, 1));
}

void TestControls::listDoubleClicks()
{
    m_fixture->log(Window::Main, kList, Event::DoubleClick, u"double"_s);
    platform::Bind(Window::Main, kList, Event::CheckChange, [&] {
        m_fixture->events.append(u"check %1"_s.arg(platform::CheckChangedIndex()));
    });
    QVERIFY(m_fixture->loadMain());
    for (int i = 0; i < 2; ++i)
        platform::ListAddItem(Window::Main, kList, B(u"任务%1"_s.arg(i)), i + 1);
    auto *list = m_fixture->control<QListWidget>(kList);

    // Through the window, so Qt makes the double-click out of two clicks as
    // it does for the real mouse.
    QWindow *window = list->window()->windowHandle();
    const auto at = [&](const QRect &rect) { return list->viewport()->mapTo(list->window(), rect.center()); };
    QTest::mouseDClick(window, Qt::LeftButton, {}, at(itemRect(1, true)));
    QCOMPARE(m_fixture->events, (QStringList{u"check 1"_s, u"check 1"_s}));
    QVERIFY(!platform::ListIsChecked(Window::Main, kList, 1));   // toggled twice

    m_fixture->events.clear();
    QTest::mouseDClick(window, Qt::LeftButton, {}, at(itemRect(0, false)));
    QCOMPARE(m_fixture->events, QStringList{u"double"_s});
    QCOMPARE(platform::ListSelectedIndex(Window::Main, kList), 0);
    QVERIFY(!platform::ListIsChecked(Window::Main, kList, 0));
}

void TestControls::listSpaceReportsFocusedItem()
{
    QVERIFY(loadListRecordingChanges());
    auto *list = m_fixture->control<QListWidget>(kList);
    list->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(list->hasFocus());
    // The focused item is not selected: the change still names it.
    list->selectionModel()->setCurrentIndex(list->model()->index(1, 0), QItemSelectionModel::NoUpdate);
    QCOMPARE(platform::ListSelectedIndex(Window::Main, kList), -1);

    QTest::keyClick(list, Qt::Key_Space);
    QCOMPARE(m_changes, QStringList{u"1 selected -1 checked 1"_s});
    QTest::keyClick(list, Qt::Key_Space);
    QCOMPARE(m_changes.last(), u"1 selected -1 checked 0"_s);
}

void TestControls::messageBox_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("shownTitle");
    QTest::newRow("default title") << QString() << u"信息："_s;
    QTest::newRow("own title") << u"未选择任务"_s << u"未选择任务"_s;
}

void TestControls::messageBox()
{
    QFETCH(QString, title);
    QFETCH(QString, shownTitle);
    m_fixture->log(Window::Main, "按钮_添加", Event::Click, u"click"_s);
    QVERIFY(m_fixture->loadMain());
    bool seen = false;
    WhenModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), shownTitle);
        QCOMPARE(box->text(), u"请选择任务\n第二行"_s);
        QCOMPARE(box->icon(), QMessageBox::NoIcon);
        QCOMPARE(box->buttons().size(), 1);
        QCOMPARE(box->standardButtons(), QMessageBox::Ok);
        // The windows take no input while it is up.
        QWidget *add = m_fixture->control("按钮_添加");
        QTest::mouseClick(add->window()->windowHandle(), Qt::LeftButton, {},
                          add->mapTo(add->window(), add->rect().center()));
        seen = true;
    });
    platform::ShowMessage(B(u"请选择任务\r\n第二行"_s), B(title));
    QVERIFY(seen);
    QCOMPARE(m_fixture->events, QStringList());
}

void TestControls::fitsCp936_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ASCII") << u"abc"_s << true << QByteArray("abc");
    QTest::newRow("question mark is itself") << u"?"_s << true << QByteArray("?");
    QTest::newRow("Chinese") << u"中"_s << true << QByteArray("\xd6\xd0");
    QTest::newRow("euro sign is 0x80") << u"€"_s << true << QByteArray("\x80");
    QTest::newRow("emoji") << u"a😀"_s << false << QByteArray();
    QTest::newRow("replacement character") << u"\uFFFD"_s << false << QByteArray();
}

void TestControls::fitsCp936()
{
    QFETCH(QString, text);
    QFETCH(bool, fits);
    QFETCH(QByteArray, bytes);
    QCOMPARE(platform::FitsCp936(text), fits);
    if (fits) {
        QCOMPARE(platform::ToCp936(text), bytes);
        QCOMPARE(platform::FromCp936(bytes), text);
    }
}

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
