// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers
#pragma once

#include "support/usersim.h"

// Starts the real main window on a temporary program folder with a fixed clock.

#include "mainwin/mainwin.h"
#include "platform/calendar.h"
#include "platform/facility.h"
#include "platform/widgets.h"
#include "store/schedule.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDateTimeEdit>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

inline double Day(int y, int m, int d)
{
    return platform::FromLocalDateTime(QDateTime(QDate(y, m, d), QTime(0, 0)));
}

class MainWindowFixture {
public:
    static constexpr const char *kNotesBox = "编辑框_事务";

    MainWindowFixture() { platform::SetProgramDirectory(m_dir.path()); }
    ~MainWindowFixture() { stop(); }

    QString path(const char *file) const { return m_dir.filePath(QString::fromUtf8(file)); }

    bool start(const QDateTime &now = QDateTime(QDate(2026, 12, 11), QTime(10, 0)))
    {
        platform::SetClock([now] { return now; });
        mainwin::LoadMainWindow();
        if (!platform::IsLoaded(platform::Window::Main))
            return false;
        QWidget *window = platform::WindowWidget(platform::Window::Main);
        window->activateWindow();
        return QTest::qWaitForWindowActive(window);
    }

    void stop()
    {
        if (platform::IsLoaded(platform::Window::Main)) {
            platform::RequestClose(platform::Window::Main);
            QTRY_VERIFY(!platform::IsLoaded(platform::Window::Main));
        }
        store::CloseAllTables();
        platform::UnbindAll();
        currentDate = 0.0;
        noteDirty = 0;
    }

    static QWidget *control(const char *name) { return platform::Control(platform::Window::Main, name); }

    static QDateTimeEdit *picker() { return qobject_cast<QDateTimeEdit *>(control("日期框1")); }

    static QWidget *clickTarget(QWidget *widget)
    {
        if (auto *area = qobject_cast<QAbstractScrollArea *>(widget))
            return area->viewport();
        return widget;
    }

    static void click(const char *name) { QTest::mouseClick(clickTarget(control(name)), Qt::LeftButton); }

    static void enterNotes()
    {
        QWidget *window = platform::WindowWidget(platform::Window::Main);
        if (!window->isActiveWindow()) {   // e.g. after a message box
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window));
        }
        QWidget *box = control(kNotesBox);
        QTest::mouseClick(clickTarget(box), Qt::LeftButton);
        QTRY_VERIFY(box->hasFocus());
    }

    static void typeNote(const QString &text)
    {
        enterNotes();
        TypeText(control(kNotesBox), text);
    }

    static void leaveNotes()
    {
        QWidget *box = control(kNotesBox);
        QTest::keyClick(box, Qt::Key_Tab);
        QTRY_VERIFY(!box->hasFocus());
    }

    static QString shownNote()
    {
        return platform::FromCp936(platform::EditText(platform::Window::Main, kNotesBox));
    }

    // Writes notes with the store itself, as another program could have.
    bool seedNotes(const QList<QPair<double, QString>> &notes)
    {
        if (!store::CreateNotesTable(m_dir.path()).ok())
            return false;
        if (!store::OpenTable(path("shiwu.edb"), store::NotesTable()).ok())
            return false;
        bool ok = true;
        for (const auto &[date, text] : notes)
            ok = ok && store::AddRecord({store::Value::ofDateTime(date),
                                         store::Value::ofText(platform::ToCp936(text))}).ok();
        store::CloseAllTables();
        return ok;
    }

    QByteArray fileBytes(const char *file) const
    {
        QFile f(path(file));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    QTemporaryDir m_dir;
};
