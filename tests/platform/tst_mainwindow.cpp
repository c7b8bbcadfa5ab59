// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

// The main window as its definition builds it, and the keyboard and closing
// behaviours that the facility adds to Qt's widgets.

#include "windowfixture.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { m_fixture = std::make_unique<WindowFixture>(); }
    void cleanup() { m_fixture.reset(); }

    void window();
    void controls_data();
    void controls();
    void focusOrder();
    void escCloses_data();
    void escCloses();
    void closeBoxStoresNoteFirst();
    void eventLoopEndsWithLastWindow();
    void enterKey_data();
    void enterKey();
    void radioArrows_data();
    void radioArrows();

private:
    std::unique_ptr<WindowFixture> m_fixture;
};

static const QStringList kFocusOrder = {
    u"按钮_添加"_s, u"编辑框_事务"_s, u"选择列表框_任务"_s, u"按钮_删除"_s, u"按钮_编辑"_s, u"日期框1"_s,
    u"按钮_前一天"_s, u"按钮_后一天"_s, u"单选框_未完成"_s, u"单选框_已完成"_s, u"单选框_全部"_s,
};

void TestMainWindow::window()
{
    bool hiddenAtCreation = false;
    platform::Bind(Window::Main, nullptr, Event::Created, [&] {
        hiddenAtCreation = !platform::WindowWidget(Window::Main)->isVisible();
    });
    QVERIFY(m_fixture->loadMain());
    QWidget *window = platform::WindowWidget(Window::Main);
    QVERIFY(hiddenAtCreation);

    QCOMPARE(window->windowTitle(), u"Quillmere 1.1"_s);
    QCOMPARE(window->frameGeometry().size(), QSize(316, 393));   // no window manager here: no frame
    QCOMPARE(window->minimumSize(), window->maximumSize());
    const QRect screen = window->screen()->geometry();
    QCOMPARE(window->frameGeometry().topLeft(),
             QPoint((screen.width() - 316) / 2, (screen.height() - 393) / 2));

    const Qt::WindowFlags flags = window->windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(flags & Qt::WindowSystemMenuHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(!(flags & Qt::WindowStaysOnTopHint));

    QCOMPARE(window->palette().color(QPalette::Window), window->palette().color(QPalette::Button));
    const QImage icon = window->windowIcon().pixmap(64, 64).toImage();
    QCOMPARE(icon.size(), QSize(64, 64));
    QVERIFY(icon.hasAlphaChannel());

    QCOMPARE(QApplication::focusWidget(), m_fixture->control("按钮_添加"));

    // Initial state: empty notes box and list, the first filter checked.
    QVERIFY(platform::EditText(Window::Main, "编辑框_事务").isEmpty());
    QCOMPARE(platform::ListCount(Window::Main, "选择列表框_任务"), 0);
    QCOMPARE(platform::ListSelectedIndex(Window::Main, "选择列表框_任务"), -1);
    QVERIFY(platform::IsRadioChecked(Window::Main, "单选框_未完成"));
    QVERIFY(!platform::IsRadioChecked(Window::Main, "单选框_已完成"));
    QVERIFY(!platform::IsRadioChecked(Window::Main, "单选框_全部"));
}

void TestMainWindow::controls_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("place");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("songFont");

    const QString main = u"MainWindow"_s;
    const QString group = u"分组框1"_s;
    QTest::newRow("单选框_全部") << u"QRadioButton"_s << group << QRect(4, 78, 33, 24) << u"□√"_s << false;
    QTest::newRow("单选框_已完成") << u"QRadioButton"_s << group << QRect(4, 46, 33, 24) << u"√"_s << false;
    QTest::newRow("单选框_未完成") << u"QRadioButton"_s << group << QRect(3, 22, 33, 24) << u"□"_s << false;
    QTest::newRow("分组框1") << u"QGroupBox"_s << main << QRect(6, 190, 42, 120) << u"显示"_s << false;
    QTest::newRow("按钮_后一天") << u"QPushButton"_s << main << QRect(232, 8, 32, 24) << u"＞"_s << false;
    QTest::newRow("按钮_前一天") << u"QPushButton"_s << main << QRect(200, 8, 32, 24) << u"＜"_s << false;
    QTest::newRow("标签3") << u"QLabel"_s << main << QRect(8, 9, 40, 24) << u"日期："_s << true;
    QTest::newRow("日期框1") << u"platform::DatePicker"_s << main << QRect(54, 8, 136, 24) << QString() << true;
    QTest::newRow("按钮_编辑") << u"QPushButton"_s << main << QRect(144, 337, 60, 24) << u"编辑"_s << true;
    QTest::newRow("按钮_删除") << u"QPushButton"_s << main << QRect(216, 337, 60, 24) << u"删除"_s << true;
    QTest::newRow("选择列表框_任务") << u"platform::CheckList"_s << main << QRect(54, 158, 248, 173) << QString() << true;
    QTest::newRow("标签2") << u"QLabel"_s << main << QRect(8, 158, 40, 24) << u"任务："_s << true;
    QTest::newRow("编辑框_事务") << u"platform::NoteEdit"_s << main << QRect(54, 43, 248, 109) << QString() << true;
    QTest::newRow("按钮_添加") << u"QPushButton"_s << main << QRect(72, 337, 60, 24) << u"添加"_s << true;
    QTest::newRow("标签1") << u"QLabel"_s << main << QRect(8, 38, 40, 24) << u"事务："_s << true;
}

void TestMainWindow::controls()
{
    QFETCH(QString, kind);
    QFETCH(QString, parent);
    QFETCH(QRect, place);
    QFETCH(QString, text);
    QFETCH(bool, songFont);

    QVERIFY(m_fixture->loadMain());
    const QByteArray name = QTest::currentDataTag();
    QWidget *widget = m_fixture->control(name.constData());
    QVERIFY(widget);
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), kind);
    QCOMPARE(widget->parentWidget()->objectName(), parent);
    QCOMPARE(widget->geometry(), place);
    QVERIFY(widget->isVisible());
    QVERIFY(widget->isEnabled());

    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        QCOMPARE(button->text(), text);
    else if (auto *label = qobject_cast<QLabel *>(widget))
        QCOMPARE(label->text(), text);
    else if (auto *box = qobject_cast<QGroupBox *>(widget))
        QCOMPARE(box->title(), text);

    const QFont font = widget->font();
    if (songFont) {
        QCOMPARE(font.family(), u"宋体"_s);
        QCOMPARE(font.pixelSize(), 14);
        QCOMPARE(font.weight(), QFont::Normal);
        QVERIFY(!font.italic() && !font.underline() && !font.strikeOut());
        QCOMPARE(font.styleStrategy() & QFont::PreferQuality, QFont::PreferQuality);
    } else {
        QVERIFY(font.family() != u"宋体"_s);
    }

    // Labels and the group box never take the focus.
    QCOMPARE(widget->focusPolicy() != Qt::NoFocus, kFocusOrder.contains(QString::fromUtf8(name)));
    // Enter must never press a button.
    if (auto *button = qobject_cast<QPushButton *>(widget))
        QVERIFY(!button->autoDefault() && !button->isDefault());
}

void TestMainWindow::focusOrder()
{
    QVERIFY(m_fixture->loadMain());
    QWidget *window = platform::WindowWidget(Window::Main);
    QCOMPARE(QApplication::focusWidget()->objectName(), kFocusOrder.first());

    // Twice around, so the wrap from the last control is seen too.
    for (int step = 1; step <= 2 * kFocusOrder.size(); ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(QApplication::focusWidget());
        QCOMPARE(QApplication::focusWidget()->window(), window);
        QCOMPARE(QApplication::focusWidget()->objectName(), kFocusOrder.at(step % kFocusOrder.size()));
    }
    for (int step = 1; step <= kFocusOrder.size() + 1; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        const qsizetype expected = (kFocusOrder.size() - step % kFocusOrder.size()) % kFocusOrder.size();
        QCOMPARE(QApplication::focusWidget()->objectName(), kFocusOrder.at(expected));
    }
    // The notes box does not take Tab: nothing was typed into it.
    QVERIFY(platform::EditText(Window::Main, "编辑框_事务").isEmpty());
}

void TestMainWindow::escCloses_data()
{
    QTest::addColumn<QByteArray>("focused");
    for (const char *name : {"按钮_添加", "编辑框_事务", "日期框1", "选择列表框_任务", "单选框_已完成"})
        QTest::newRow(name) << QByteArray(name);
}

void TestMainWindow::escCloses()
{
    QFETCH(QByteArray, focused);
    m_fixture->log(Window::Main, nullptr, Event::WillBeDestroyed, u"destroyed"_s);
    QVERIFY(m_fixture->loadMain());
    QWidget *target = m_fixture->control(focused.constData());
    target->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(target->hasFocus() || target->isAncestorOf(QApplication::focusWidget()));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTRY_VERIFY(!platform::IsLoaded(Window::Main));
    QCOMPARE(m_fixture->events, QStringList{u"destroyed"_s});
}

void TestMainWindow::closeBoxStoresNoteFirst()
{
    // The lost focus handler must run before the window goes, with every
    // control still there; both ways of closing take that path.
    for (const bool byEsc : {false, true}) {
        QStringList order;
        platform::Bind(Window::Main, "编辑框_事务", Event::LostFocus, [&] {
            order.append(u"lost "_s + U(platform::EditText(Window::Main, "编辑框_事务")) + u" "_s
                         + QString::number(platform::ListCount(Window::Main, "选择列表框_任务")));
        });
        platform::Bind(Window::Main, nullptr, Event::WillBeDestroyed, [&] { order.append(u"destroyed"_s); });
        QVERIFY(m_fixture->loadMain());
        platform::ListAddItem(Window::Main, "选择列表框_任务", B(u"任务"_s), 1);
        QWidget *notes = m_fixture->control("编辑框_事务");
        notes->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(notes->hasFocus());
        TypeText(notes, u"便条"_s);

        if (byEsc)
            QTest::keyClick(notes, Qt::Key_Escape);
        else
            QVERIFY(!platform::WindowWidget(Window::Main)->close());   // the close box: refused now, closed later
        QTRY_VERIFY(!platform::IsLoaded(Window::Main));
        QCOMPARE(order, (QStringList{u"lost 便条 1"_s, u"destroyed"_s}));
        platform::UnbindAll();
    }
}

void TestMainWindow::eventLoopEndsWithLastWindow()
{
    QVERIFY(m_fixture->loadMain());
    bool closedInLoop = false;
    QTimer::singleShot(0, qApp, [&] {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        closedInLoop = true;
    });
    platform::RunEventLoop();   // returns only when no window is left
    QVERIFY(closedInLoop);
    QVERIFY(!platform::IsLoaded(Window::Main));
    platform::RunEventLoop();   // nothing loaded: skipped, must not block
}

void TestMainWindow::enterKey_data()
{
    QTest::addColumn<QByteArray>("focused");
    QTest::addColumn<QString>("notesAfter");
    QTest::newRow("notes box") << QByteArray("编辑框_事务") << u"ab\r\n"_s;
    for (const char *name : {"按钮_添加", "按钮_删除", "按钮_后一天", "日期框1", "选择列表框_任务", "单选框_全部"})
        QTest::newRow(name) << QByteArray(name) << u"ab"_s;
}

void TestMainWindow::enterKey()
{
    QFETCH(QByteArray, focused);
    QFETCH(QString, notesAfter);
    for (const char *name : {"按钮_添加", "按钮_删除", "按钮_编辑", "按钮_前一天", "按钮_后一天", "单选框_全部"})
        m_fixture->log(Window::Main, name, Event::Click, QString::fromUtf8(name));
    m_fixture->log(Window::Main, "选择列表框_任务", Event::DoubleClick, u"double-click"_s);
    m_fixture->log(Window::Main, "日期框1", Event::DateChanged, u"date"_s);
    QVERIFY(m_fixture->loadMain());
    platform::SetEditText(Window::Main, "编辑框_事务", B(u"ab"_s));
    platform::ListAddItem(Window::Main, "选择列表框_任务", B(u"x"_s), 1);
    auto *notes = m_fixture->control<QPlainTextEdit>("编辑框_事务");
    notes->moveCursor(QTextCursor::End);

    QWidget *target = m_fixture->control(focused.constData());
    target->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(target->hasFocus() || target->isAncestorOf(QApplication::focusWidget()));
    QWidget *before = QApplication::focusWidget();
    QTest::keyClick(before, Qt::Key_Return);
    QTest::keyClick(before, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::qWait(20);

    QVERIFY(platform::IsLoaded(Window::Main));
    QCOMPARE(QApplication::focusWidget(), before);
    QCOMPARE(m_fixture->events, QStringList());
    if (focused == "编辑框_事务")
        notesAfter += u"\r\n"_s;   // the keypad's Enter too
    QCOMPARE(U(platform::EditText(Window::Main, "编辑框_事务")), notesAfter);
    QVERIFY(platform::IsRadioChecked(Window::Main, "单选框_未完成"));
}

void TestMainWindow::radioArrows_data()
{
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<QByteArray>("to");
    QTest::newRow("down") << QByteArray("单选框_未完成") << int(Qt::Key_Down) << QByteArray("单选框_已完成");
    QTest::newRow("right") << QByteArray("单选框_已完成") << int(Qt::Key_Right) << QByteArray("单选框_全部");
    QTest::newRow("down wraps") << QByteArray("单选框_全部") << int(Qt::Key_Down) << QByteArray("单选框_未完成");
    QTest::newRow("up wraps") << QByteArray("单选框_未完成") << int(Qt::Key_Up) << QByteArray("单选框_全部");
    QTest::newRow("left") << QByteArray("单选框_全部") << int(Qt::Key_Left) << QByteArray("单选框_已完成");
}

void TestMainWindow::radioArrows()
{
    QFETCH(QByteArray, from);
    QFETCH(int, key);
    QFETCH(QByteArray, to);
    const QByteArrayList radios = {"单选框_未完成", "单选框_已完成", "单选框_全部"};
    QStringList clicks;
    for (const QByteArray &radio : radios) {
        platform::Bind(Window::Main, radio.constData(), Event::Click, [&clicks, radio, radios] {
            // The button is checked before its click is raised, the others clear.
            QString seen = QString::fromUtf8(radio);
            for (const QByteArray &other : radios)
                seen += platform::IsRadioChecked(Window::Main, other.constData()) ? u"1"_s : u"0"_s;
            clicks.append(seen);
        });
    }
    QVERIFY(m_fixture->loadMain());
    auto *start = m_fixture->control<QRadioButton>(from.constData());
    start->setChecked(true);
    start->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(start->hasFocus());

    QTest::keyClick(start, Qt::Key(key));
    QString expected = QString::fromUtf8(to);
    for (const QByteArray &radio : radios)
        expected += radio == to ? u"1"_s : u"0"_s;
    QCOMPARE(clicks, QStringList{expected});
    QCOMPARE(QApplication::focusWidget(), m_fixture->control(to.constData()));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
