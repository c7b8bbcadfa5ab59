// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

#include "taskfixture.h"

#include <QClipboard>
#include <QInputMethodEvent>

#include <memory>

namespace {

enum class Edit { None, Type, TypeAndUndo, TypeAndEmpty };
enum class Close { Ok, Cancel, CloseBox, Esc, EnterThenOk, EnterThenEsc };

const QString kOld = u"旧名"_s;

// Lets a close requested from a handler take effect, if one was requested.
void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

} // namespace

Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(Close)

class TestTaskNameWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<TaskListFixture> f;

    static QWidget *box() { return TaskListFixture::nameControl(TaskListFixture::kNameBox); }
    static void clickOk() { QTest::mouseClick(TaskListFixture::nameControl("按钮_确定"), Qt::LeftButton); }

    // Opens the window to add (添加) or to rename the one task (编辑).
    void open(bool rename, const std::function<void()> &drive)
    {
        if (rename)
            f->clickText(0);
        f->withNameWindow([rename] { TaskListFixture::click(rename ? "按钮_编辑" : "按钮_添加"); }, drive);
    }

private Q_SLOTS:
    void init()
    {
        f = std::make_unique<TaskListFixture>();
        QVERIFY(f->start({{kOld}}));
    }
    void cleanup() { f.reset(); }

    void outcomes_data()
    {
        QTest::addColumn<bool>("rename");
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<Close>("close");
        QTest::addColumn<QString>("handedBack");   // taskText once the window is gone
        QTest::addColumn<bool>("changed");
        QTest::addColumn<QStringList>("after");     // the file and the list

        const QStringList kept{u"1 旧名"_s};
        const QStringList renamed{u"1 旧名新"_s};
        const QStringList added{u"1 旧名"_s, u"2 新"_s};

        QTest::newRow("rename, OK untouched") << true << Edit::None << Close::Ok << QString() << false << kept;
        QTest::newRow("rename, OK after typing") << true << Edit::Type << Close::Ok << u"旧名新"_s << true << renamed;
        QTest::newRow("rename, OK after typing and undoing")
            << true << Edit::TypeAndUndo << Close::Ok << kOld << true << kept;
        QTest::newRow("rename, OK emptied") << true << Edit::TypeAndEmpty << Close::Ok << QString() << true << kept;
        QTest::newRow("rename, Cancel untouched") << true << Edit::None << Close::Cancel << QString() << false << kept;
        QTest::newRow("rename, Cancel after typing") << true << Edit::Type << Close::Cancel << QString() << true << kept;
        QTest::newRow("rename, close box untouched")
            << true << Edit::None << Close::CloseBox << QString() << false << kept;
        QTest::newRow("rename, close box after typing")
            << true << Edit::Type << Close::CloseBox << kOld << true << kept;
        QTest::newRow("rename, Esc untouched") << true << Edit::None << Close::Esc << QString() << false << kept;
        QTest::newRow("rename, Esc after typing") << true << Edit::Type << Close::Esc << kOld << true << kept;
        QTest::newRow("rename, Enter then OK") << true << Edit::Type << Close::EnterThenOk << u"旧名新"_s << true << renamed;

        QTest::newRow("add, OK untouched") << false << Edit::None << Close::Ok << QString() << false << kept;
        QTest::newRow("add, OK after typing") << false << Edit::Type << Close::Ok << u"新"_s << true << added;
        QTest::newRow("add, OK emptied") << false << Edit::TypeAndEmpty << Close::Ok << QString() << true << kept;
        QTest::newRow("add, Cancel after typing") << false << Edit::Type << Close::Cancel << QString() << true << kept;
        QTest::newRow("add, close box after typing")
            << false << Edit::Type << Close::CloseBox << QString() << true << kept;
        QTest::newRow("add, Esc after typing") << false << Edit::Type << Close::Esc << QString() << true << kept;
        QTest::newRow("add, Enter then Esc") << false << Edit::Type << Close::EnterThenEsc << QString() << true << kept;
        QTest::newRow("add, Enter then OK") << false << Edit::Type << Close::EnterThenOk << u"新"_s << true << added;
    }
    void outcomes()
    {
        QFETCH(bool, rename);
        QFETCH(Edit, edit);
        QFETCH(Close, close);
        QFETCH(QString, handedBack);
        QFETCH(bool, changed);
        QFETCH(QStringList, after);

        open(rename, [&] {
            QCOMPARE(f->nameBoxText(), rename ? kOld : QString());
            QTRY_COMPARE(QApplication::focusWidget(), box());
            if (edit != Edit::None)
                f->type(box(), u"新"_s);
            if (edit == Edit::TypeAndUndo)
                QTest::keyClick(box(), Qt::Key_Backspace);
            if (edit == Edit::TypeAndEmpty) {
                QTest::keyClick(box(), Qt::Key_A, Qt::ControlModifier);
                QTest::keyClick(box(), Qt::Key_Delete);
                QCOMPARE(f->nameBoxText(), QString());
            }
            if (close == Close::EnterThenOk || close == Close::EnterThenEsc) {
                QTest::keyClick(box(), Qt::Key_Return);
                settle();
                QVERIFY(platform::IsLoaded(Window::TaskName));
            }
            switch (close) {
            case Close::Ok:
            case Close::EnterThenOk:
                clickOk();
                break;
            case Close::Cancel:
                QTest::mouseClick(f->nameControl("按钮_取消"), Qt::LeftButton);
                break;
            case Close::CloseBox:
                f->nameWindow()->close();
                break;
            case Close::Esc:
            case Close::EnterThenEsc:
                QTest::keyClick(box(), Qt::Key_Escape);
                break;
            }
        });

        QCOMPARE(platform::FromCp936(taskText), handedBack);
        QCOMPARE(taskNameChanged, changed);
        QCOMPARE(f->records(), after);
        QCOMPARE(f->shown(), after);
    }

    // The file keeps 50 bytes of a name; the box takes no more, and never
    // half a character, so the list shows exactly what is stored.
    void nameLimit_data()
    {
        QTest::addColumn<bool>("paste");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("kept");
        const QString han25 = QString(25, u'汉');
        QTest::newRow("typed, 51 bytes ending in a character")
            << false << u"a"_s + han25 << u"a"_s + QString(24, u'汉');
        QTest::newRow("typed, exactly 50 bytes") << false << u"ab"_s + QString(24, u'汉') << u"ab"_s + QString(24, u'汉');
        QTest::newRow("pasted, 60 bytes") << true << QString(30, u'汉') << han25;
    }
    void nameLimit()
    {
        QFETCH(bool, paste);
        QFETCH(QString, input);
        QFETCH(QString, kept);
        open(false, [&] {
            if (paste) {
                QApplication::clipboard()->setText(input);
                QTest::keyClick(box(), Qt::Key_V, Qt::ControlModifier);
            } else {
                f->type(box(), input);
            }
            QCOMPARE(f->nameBoxText(), kept);
            clickOk();
        });
        QCOMPARE(f->storedName(2), platform::ToCp936(kept));
        QCOMPARE(f->shown().value(1), u"2 "_s + kept);
        f->click("单选框_未完成");
        QCOMPARE(f->shown().value(1), u"2 "_s + kept);
    }

    void unfinishedCompositionIsKept()
    {
        open(false, [&] {
            QTRY_COMPARE(QApplication::focusWidget(), box());
            f->type(box(), u"开"_s);
            QInputMethodEvent composing(u"会"_s, {});
            QCoreApplication::sendEvent(box(), &composing);
            clickOk();
        });
        QCOMPARE(f->records(), (QStringList{u"1 旧名"_s, u"2 开会"_s}));
    }
};

QTEST_MAIN(TestTaskNameWindow)
#include "tst_tasknamewindow.moc"
