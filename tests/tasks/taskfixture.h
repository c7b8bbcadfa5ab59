// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers
#pragma once

#include "support/usersim.h"

// The real main window on a temporary program folder with its task list
// handlers bound, "renwu.edb" seeded through the store, and ways to read the
// list and the file back.

#include "platform/controls.h"
#include "platform/facility.h"
#include "platform/widgets.h"
#include "store/schedule.h"
#include "tasks/tasklist.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <sys/resource.h>
#include <csignal>
#include <functional>

using platform::Window;
using namespace Qt::StringLiterals;

struct SeedTask {
    QString name;
    bool done = false;
};

class TaskListFixture {
public:
    static constexpr const char *kList = "选择列表框_任务";
    static constexpr const char *kNameBox = "编辑框1";

    TaskListFixture() { platform::SetProgramDirectory(m_dir.path()); }
    ~TaskListFixture() { stop(); }

    QString filePath() const { return m_dir.filePath(u"renwu.edb"_s); }

    // Seeds the tasks as earlier runs would have left them, then starts the
    // window the way start-up does: open table, bound handlers, filter 1.
    bool start(const QList<SeedTask> &tasks)
    {
        if (!store::CreateTasksTable(m_dir.path()).ok())
            return false;
        if (!store::OpenTable(filePath(), store::TasksTable()).ok())
            return false;
        std::int32_t number = 0;
        for (const SeedTask &t : tasks) {
            if (!store::AddRecord({store::Value::ofInteger(++number),
                                   store::Value::ofText(platform::ToCp936(t.name)),
                                   store::Value::ofLogical(t.done)}).ok())
                return false;
        }
        tasks::BindTaskHandlers();
        platform::Bind(Window::Main, nullptr, platform::Event::Created, [] { tasks::FillTaskList(1); });
        platform::LoadWindow(Window::Main, false);
        if (!platform::IsLoaded(Window::Main))
            return false;
        QWidget *window = platform::WindowWidget(Window::Main);
        window->activateWindow();
        return QTest::qWaitForWindowActive(window);
    }

    void stop()
    {
        if (platform::IsLoaded(Window::Main)) {
            platform::RequestClose(Window::Main);
            QTRY_VERIFY(!platform::IsLoaded(Window::Main));
        }
        store::CloseAllTables();
        platform::UnbindAll();
        taskText = platform::Text();
        taskNameChanged = false;
        currentTaskRecord = 0;
    }

    // --- the file, read from its bytes --------------------------------------

    // One line per record: "序号 name" plus " √" when done, "-" when deleted.
    QStringList records() const
    {
        constexpr int kRecordsStart = 332;
        constexpr int kRecordLength = 59;
        QFile file(filePath());
        if (!file.open(QIODevice::ReadOnly))
            return {u"(unreadable)"_s};
        const QByteArray bytes = file.readAll();
        const qint32 count = qFromLittleEndian<qint32>(bytes.constData() + 16);
        QStringList lines;
        for (qint32 i = 0; i < count; ++i) {
            if (kRecordsStart + (i + 1) * kRecordLength > bytes.size())
                return lines << u"(short file)"_s;
            const char *rec = bytes.constData() + kRecordsStart + i * kRecordLength;
            QByteArray name(rec + 8, 50);
            if (const qsizetype zero = name.indexOf('\0'); zero >= 0)
                name.truncate(zero);
            QString line = QString::number(qFromLittleEndian<qint32>(rec + 4)) + u' '
                           + platform::FromCp936(name);
            if (rec[58] != 0)
                line += u" √"_s;
            if (qFromLittleEndian<qint32>(rec) <= 0)
                line += u" -"_s;
            lines << line;
        }
        return lines;
    }

    QByteArray storedName(int record) const
    {
        QFile file(filePath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        file.seek(332 + (record - 1) * 59 + 8);
        QByteArray name = file.read(50);
        if (const qsizetype zero = name.indexOf('\0'); zero >= 0)
            name.truncate(zero);
        return name;
    }

    // --- the list -----------------------------------------------------------

    // One line per item: "value name" plus " √" when checked.
    static QStringList shown()
    {
        QStringList lines;
        const int count = platform::ListCount(Window::Main, kList);
        for (int i = 0; i < count; ++i) {
            QString line = QString::number(platform::ListItemValue(Window::Main, kList, i)) + u' '
                           + platform::FromCp936(platform::ListItemText(Window::Main, kList, i));
            if (platform::ListIsChecked(Window::Main, kList, i))
                line += u" √"_s;
            lines << line;
        }
        return lines;
    }

    static int selected() { return platform::ListSelectedIndex(Window::Main, kList); }

    static QWidget *control(const char *name) { return platform::Control(Window::Main, name); }
    static QAbstractItemView *list() { return qobject_cast<QAbstractItemView *>(control(kList)); }

    static void click(const char *name) { QTest::mouseClick(control(name), Qt::LeftButton); }

    // Where the item's check box and its text are drawn.
    static QRect checkBoxRect(int row)
    {
        auto *view = qobject_cast<platform::CheckList *>(list());
        return view ? view->checkBoxRect(view->item(row)) : QRect();
    }
    static QPoint textPoint(int row)
    {
        const QRect item = list()->visualRect(list()->model()->index(row, 0));
        return {checkBoxRect(row).right() + 12, item.center().y()};
    }

    static void clickCheckBox(int row, Qt::KeyboardModifiers mods = {})
    {
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, mods, checkBoxRect(row).center());
    }
    static void clickText(int row, Qt::KeyboardModifiers mods = {})
    {
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, mods, textPoint(row));
    }

    // --- the task name window -------------------------------------------------

    static QWidget *nameWindow() { return platform::WindowWidget(Window::TaskName); }
    static QWidget *nameControl(const char *name) { return platform::Control(Window::TaskName, name); }
    static QString nameBoxText()
    {
        return platform::FromCp936(platform::EditText(Window::TaskName, kNameBox));
    }

    // Runs `open` (a click that opens the modal task name window), hands the
    // open window to `drive`, and returns once the window is gone.
    static void withNameWindow(const std::function<void()> &open, const std::function<void()> &drive)
    {
        bool opened = false;
        bool done = false;
        QTimer::singleShot(0, [&] {
            opened = platform::IsLoaded(Window::TaskName);
            if (opened)
                drive();
            // A failed check inside `drive` must not leave the modal window up.
            if (QTest::currentTestFailed() && platform::IsLoaded(Window::TaskName))
                platform::RequestClose(Window::TaskName);
            done = true;
        });
        open();
        QTRY_VERIFY(done);
        QVERIFY(opened);
        QTRY_VERIFY(!platform::IsLoaded(Window::TaskName));
    }

    static void type(QWidget *widget, const QString &text) { TypeText(widget, text); }

    // Adds a task the way the user does: 添加, type, 确定.
    static void addTask(const QString &name)
    {
        withNameWindow([] { click("按钮_添加"); }, [&] {
            type(nameControl(kNameBox), name);
            QTest::mouseClick(nameControl("按钮_确定"), Qt::LeftButton);
        });
    }

private:
    QTemporaryDir m_dir;
};
