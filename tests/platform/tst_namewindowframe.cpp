// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

// The task name window as a modal window over the main window: its
// definition, and every way it closes.

#include "windowfixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

class TestTaskNameWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { m_fixture = std::make_unique<WindowFixture>(); }
    void cleanup() { m_fixture.reset(); }

    void definition_data();
    void definition();
    void closing_data();
    void closing();
    void enterClosesNothing();

private:
    std::unique_ptr<WindowFixture> m_fixture;
};

void TestTaskNameWindow::definition_data()
{
    QTest::addColumn<QRect>("place");
    QTest::addColumn<QString>("text");
    QTest::newRow("标签1") << QRect(8, 16, 64, 24) << u"任务名称："_s;
    QTest::newRow("编辑框1") << QRect(75, 14, 221, 30) << QString();
    QTest::newRow("按钮_确定") << QRect(96, 55, 50, 24) << u"确定"_s;
    QTest::newRow("按钮_取消") << QRect(192, 55, 50, 24) << u"取消"_s;
}

void TestTaskNameWindow::definition()
{
    QFETCH(QRect, place);
    QFETCH(QString, text);
    m_fixture->log(Window::Main, "按钮_添加", Event::Click, u"add"_s);
    QVERIFY(m_fixture->loadMain());
    bool checked = false;
    WhenModal([&](QWidget *window) {
        QCOMPARE(window, platform::WindowWidget(Window::TaskName));
        QCOMPARE(window->windowTitle(), u"新增任务"_s);
        QCOMPARE(window->frameGeometry().size(), QSize(304, 115));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        const QRect screen = window->screen()->geometry();
        QCOMPARE(window->frameGeometry().topLeft(),
                 QPoint((screen.width() - 304) / 2, (screen.height() - 115) / 2));
        const Qt::WindowFlags flags = window->windowFlags();
        QVERIFY((flags & Qt::WindowCloseButtonHint) && !(flags & Qt::WindowMinMaxButtonsHint));
        QVERIFY(!window->windowIcon().isNull());
        // The main window takes no input meanwhile.
        QCOMPARE(QApplication::activeModalWidget(), window);
        QWidget *add = m_fixture->control("按钮_添加");
        QTest::mouseClick(add->window()->windowHandle(), Qt::LeftButton, {},
                          add->mapTo(add->window(), add->rect().center()));
        QCOMPARE(m_fixture->events, QStringList());

        QWidget *control = m_fixture->control(QTest::currentDataTag(), Window::TaskName);
        QVERIFY(control);
        QCOMPARE(control->geometry(), place);
        QCOMPARE(control->font().family(), u"宋体"_s);
        QCOMPARE(control->font().pixelSize(), 14);
        QCOMPARE(control->font().weight(), QFont::Normal);
        if (auto *label = qobject_cast<QLabel *>(control))
            QCOMPARE(label->text(), text);
        if (auto *button = qobject_cast<QPushButton *>(control)) {
            QCOMPARE(button->text(), text);
            QVERIFY(!button->autoDefault() && !button->isDefault());
        }

        // Focus starts in the name box; Tab goes round the three.
        QCOMPARE(QApplication::focusWidget()->objectName(), u"编辑框1"_s);
        for (const QString &next : {u"按钮_确定"_s, u"按钮_取消"_s, u"编辑框1"_s}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), next);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget()->objectName(), u"按钮_取消"_s);
        checked = true;
        platform::RequestClose(Window::TaskName);
    });
    platform::LoadWindow(Window::TaskName, true);
    QVERIFY(checked);
}

void TestTaskNameWindow::closing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("button asks to close") << u"button"_s;
    QTest::newRow("Esc") << u"esc"_s;
    QTest::newRow("close box") << u"close box"_s;
}

void TestTaskNameWindow::closing()
{
    QFETCH(QString, how);
    // What the handlers see: the created handler fills the box before the
    // window shows; the button's handler finishes before the window goes;
    // will-be-destroyed runs before the modal load returns.
    platform::Bind(Window::TaskName, nullptr, Event::Created, [&] {
        platform::SetEditText(Window::TaskName, "编辑框1", B(u"旧名"_s));
        m_fixture->events.append(u"created visible=%1"_s.arg(platform::WindowWidget(Window::TaskName)->isVisible()));
    });
    platform::Bind(Window::TaskName, "编辑框1", Event::TextChanged, [&] {
        m_fixture->events.append(u"changed "_s + U(platform::EditText(Window::TaskName, "编辑框1")));
    });
    platform::Bind(Window::TaskName, "按钮_确定", Event::Click, [&] {
        platform::RequestClose(Window::TaskName);
        m_fixture->events.append(u"ok, still loaded=%1"_s.arg(platform::IsLoaded(Window::TaskName)));
    });
    platform::Bind(Window::TaskName, nullptr, Event::WillBeDestroyed, [&] {
        m_fixture->events.append(u"destroyed "_s + U(platform::EditText(Window::TaskName, "编辑框1")));
    });
    QVERIFY(m_fixture->loadMain());

    WhenModal([&](QWidget *window) {
        QWidget *box = m_fixture->control("编辑框1", Window::TaskName);
        QTRY_VERIFY(box->hasFocus());
        TypeText(box, u"甲"_s);
        if (how == u"button") {
            QWidget *ok = m_fixture->control("按钮_确定", Window::TaskName);
            QTest::mouseClick(ok, Qt::LeftButton);
        } else if (how == u"esc") {
            QTest::keyClick(box, Qt::Key_Escape);
        } else {
            QVERIFY(!window->close());
        }
        m_fixture->events.append(u"handler returned"_s);
    });
    platform::LoadWindow(Window::TaskName, true);
    m_fixture->events.append(u"load returned"_s);

    QStringList expected{u"changed 旧名"_s, u"created visible=0"_s, u"changed 旧名甲"_s};
    if (how == u"button")
        expected << u"ok, still loaded=1"_s;
    expected << u"handler returned"_s << u"destroyed 旧名甲"_s << u"load returned"_s;
    QCOMPARE(m_fixture->events, expected);
    QVERIFY(!platform::IsLoaded(Window::TaskName));
    QVERIFY(platform::IsLoaded(Window::Main));
}

void TestTaskNameWindow::enterClosesNothing()
{
    for (const char *name : {"按钮_确定", "按钮_取消"})
        m_fixture->log(Window::TaskName, name, Event::Click, QString::fromUtf8(name));
    QVERIFY(m_fixture->loadMain());
    bool stayed = true;
    WhenModal([&](QWidget *) {
        for (const char *name : {"编辑框1", "按钮_确定", "按钮_取消"}) {
            QWidget *control = m_fixture->control(name, Window::TaskName);
            control->setFocus(Qt::TabFocusReason);
            QTest::keyClick(control, Qt::Key_Return);
            QTest::keyClick(control, Qt::Key_Enter, Qt::KeypadModifier);
        }
        QTest::qWait(20);
        stayed = platform::IsLoaded(Window::TaskName);
        platform::RequestClose(Window::TaskName);
    });
    platform::LoadWindow(Window::TaskName, true);
    QVERIFY(stayed);
    QCOMPARE(m_fixture->events, QStringList());
}

QTEST_MAIN(TestTaskNameWindow)
#include "tst_namewindowframe.moc"
