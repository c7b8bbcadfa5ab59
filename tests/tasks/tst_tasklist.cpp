// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

#include "taskfixture.h"

#include <memory>

namespace {

// X, Y and Z added in that order, Y done.
const QList<SeedTask> kXYZ = {{u"买菜"_s}, {u"写信"_s, true}, {u"修车"_s}};
const QStringList kXYZRecords = {u"1 买菜"_s, u"2 写信 √"_s, u"3 修车"_s};

} // namespace

class TestTaskList : public QObject {
    Q_OBJECT

    std::unique_ptr<TaskListFixture> f;

private Q_SLOTS:
    void init() { f = std::make_unique<TaskListFixture>(); }
    void cleanup() { f.reset(); }

    void filters_data()
    {
        QTest::addColumn<QByteArray>("radio");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("not done, clicked while checked")
            << QByteArray("单选框_未完成") << QStringList{u"1 买菜"_s, u"3 修车"_s};
        QTest::newRow("done") << QByteArray("单选框_已完成") << QStringList{u"2 写信 √"_s};
        QTest::newRow("all") << QByteArray("单选框_全部")
                             << QStringList{u"1 买菜"_s, u"2 写信 √"_s, u"3 修车"_s};
    }
    void filters()
    {
        QFETCH(QByteArray, radio);
        QFETCH(QStringList, expected);
        QVERIFY(f->start(kXYZ));
        QCOMPARE(f->shown(), (QStringList{u"1 买菜"_s, u"3 修车"_s}));

        f->clickText(1);
        QCOMPARE(f->selected(), 1);
        f->click(radio.constData());
        QCOMPARE(f->shown(), expected);
        QCOMPARE(f->selected(), -1);
        QCOMPARE(f->records(), kXYZRecords);
    }

    void emptyTableListsNothing()
    {
        QVERIFY(f->start({}));
        for (const char *radio : {"单选框_已完成", "单选框_全部", "单选框_未完成"}) {
            f->click(radio);
            QCOMPARE(f->shown(), QStringList());
        }
    }

    void tickUnderNotDoneKeepsTheItemUntilRebuilt()
    {
        QVERIFY(f->start(kXYZ));
        f->clickCheckBox(1);
        QCOMPARE(f->shown(), (QStringList{u"1 买菜"_s, u"3 修车 √"_s}));
        QCOMPARE(f->selected(), 1);
        QCOMPARE(f->records(), (QStringList{u"1 买菜"_s, u"2 写信 √"_s, u"3 修车 √"_s}));

        f->click("单选框_未完成");
        QCOMPARE(f->shown(), QStringList{u"1 买菜"_s});
    }

    // The space key toggles the focused item's box even when nothing is
    // selected; that mark must reach the file like any other.
    void spaceOnUnselectedItemStoresTheMark()
    {
        QVERIFY(f->start(kXYZ));
        f->clickText(1);
        f->clickText(1, Qt::ControlModifier);
        QCOMPARE(f->selected(), -1);
        QTest::keyClick(f->list(), Qt::Key_Space);
        QCOMPARE(f->shown(), (QStringList{u"1 买菜"_s, u"3 修车 √"_s}));
        QCOMPARE(f->records(), (QStringList{u"1 买菜"_s, u"2 写信 √"_s, u"3 修车 √"_s}));
    }

    void deleteRenumbersTheItemsAfterIt()
    {
        QVERIFY(f->start(kXYZ));
        f->click("单选框_全部");
        f->clickText(0);
        f->click("按钮_删除");
        QCOMPARE(f->records(), (QStringList{u"2 写信 √"_s, u"3 修车"_s}));
        QCOMPARE(f->shown(), (QStringList{u"1 写信 √"_s, u"2 修车"_s}));
        QCOMPARE(f->selected(), -1);

        // Each item must still name its own record: Z is now record 2, Y record 1.
        f->clickCheckBox(1);
        f->clickCheckBox(0);
        QCOMPARE(f->records(), (QStringList{u"2 写信"_s, u"3 修车 √"_s}));
        QCOMPARE(f->shown(), (QStringList{u"1 写信"_s, u"2 修车 √"_s}));
    }

    void addAfterDeleteNumbersByCount()
    {
        QVERIFY(f->start(kXYZ));
        f->click("单选框_全部");
        f->clickText(1);
        f->click("按钮_删除");
        f->addTask(u"寄包裹"_s);
        QCOMPARE(f->records(), (QStringList{u"1 买菜"_s, u"3 修车"_s, u"3 寄包裹"_s}));
        QCOMPARE(f->shown(), (QStringList{u"1 买菜"_s, u"2 修车"_s, u"3 寄包裹"_s}));
    }

    void nothingSelected_data()
    {
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("delete") << QByteArray("按钮_删除") << u"信息："_s << u"你还未选择要删除的项目！"_s;
        QTest::newRow("rename") << QByteArray("按钮_编辑") << u"未选择任务"_s << u"请选择任务"_s;
    }
    void nothingSelected()
    {
        QFETCH(QByteArray, button);
        QFETCH(QString, title);
        QFETCH(QString, text);
        QVERIFY(f->start(kXYZ));
        MessageCatcher messages;
        f->click(button.constData());
        QTRY_COMPARE(messages.texts, QStringList{text});
        QCOMPARE(messages.titles, QStringList{title});
        QVERIFY(!platform::IsLoaded(Window::TaskName));
        QCOMPARE(f->shown(), (QStringList{u"1 买菜"_s, u"3 修车"_s}));
        QCOMPARE(f->records(), kXYZRecords);
    }

    void addUnderDoneStandsLastUnchecked()
    {
        QVERIFY(f->start(kXYZ));
        f->click("单选框_已完成");
        f->addTask(u"寄包裹"_s);
        QCOMPARE(f->shown(), (QStringList{u"2 写信 √"_s, u"4 寄包裹"_s}));
        QCOMPARE(f->records(), kXYZRecords + QStringList{u"4 寄包裹"_s});
        f->click("单选框_已完成");
        QCOMPARE(f->shown(), QStringList{u"2 写信 √"_s});
    }

    void renameChangesOnlyTheName()
    {
        QVERIFY(f->start(kXYZ));
        f->click("单选框_全部");
        f->clickText(1);
        f->withNameWindow([this] { f->click("按钮_编辑"); }, [this] {
            QCOMPARE(f->nameBoxText(), u"写信"_s);
            f->type(f->nameControl(TaskListFixture::kNameBox), u"给妈妈"_s);
            QTest::mouseClick(f->nameControl("按钮_确定"), Qt::LeftButton);
        });
        QCOMPARE(f->shown(), (QStringList{u"1 买菜"_s, u"2 写信给妈妈 √"_s, u"3 修车"_s}));
        QCOMPARE(f->selected(), 1);
        QCOMPARE(f->records(), (QStringList{u"1 买菜"_s, u"2 写信给妈妈 √"_s, u"3 修车"_s}));
    }

    void doubleClick_data()
    {
        QTest::addColumn<bool>("onCheckBox");
        QTest::newRow("on the check box") << true;
        QTest::newRow("on the name") << false;
    }
    void doubleClick()
    {
        QFETCH(bool, onCheckBox);
        QVERIFY(f->start(kXYZ));
        const QRect box = f->checkBoxRect(1);
        const QPoint at = onCheckBox ? box.center() : f->textPoint(1);

        bool fired = false;
        bool opened = false;
        QString openedWith;
        QTimer::singleShot(0, [&] {
            fired = true;
            opened = platform::IsLoaded(Window::TaskName);
            if (opened) {
                openedWith = f->nameBoxText();
                QTest::mouseClick(f->nameControl("按钮_取消"), Qt::LeftButton);
            }
        });
        QTest::mouseDClick(f->list()->viewport(), Qt::LeftButton, {}, at);
        QTRY_VERIFY(fired);   // also when no window opened: the timer holds references to these locals
        QVERIFY(!platform::IsLoaded(Window::TaskName));

        QCOMPARE(opened, !onCheckBox);
        if (!onCheckBox)
            QCOMPARE(openedWith, u"修车"_s);
        // Toggled twice on screen and stored twice: the mark is as before in both.
        QCOMPARE(f->shown(), (QStringList{u"1 买菜"_s, u"3 修车"_s}));
        QCOMPARE(f->records(), kXYZRecords);
    }

    void storeFailure_data()
    {
        QTest::addColumn<bool>("adding");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("shownAfter");
        QTest::newRow("adding beyond the file size limit")
            << true << u"新任务没有添加："_s << QStringList{u"1 买菜"_s, u"3 修车"_s};
        QTest::newRow("ticking with the table closed")
            << false << u"任务的完成标记没有保存："_s << QStringList();
    }
    void storeFailure()
    {
        QFETCH(bool, adding);
        QFETCH(QString, message);
        QFETCH(QStringList, shownAfter);
        QVERIFY(f->start(kXYZ));
        MessageCatcher messages;
        {
            FileSizeLimit limit(332 + 3 * 59);
            if (adding) {
                f->addTask(u"寄包裹"_s);
            } else {
                store::CloseAllTables();
                f->clickCheckBox(0);
            }
            QTRY_COMPARE(messages.texts.size(), 1);
        }
        QVERIFY2(messages.texts[0].startsWith(message), qPrintable(messages.texts[0]));
        QVERIFY(messages.texts[0].size() > message.size());   // and why
        QCOMPARE(messages.titles, QStringList{u"任务未保存"_s});
        QCOMPARE(f->shown(), shownAfter);
        QCOMPARE(f->records(), kXYZRecords);
    }
};

QTEST_MAIN(TestTaskList)
#include "tst_tasklist.moc"
