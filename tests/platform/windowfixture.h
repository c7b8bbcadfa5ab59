// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers
#pragma once

#include "support/usersim.h"

// A loaded window on a temporary program folder, a log of the events that
// reached the handlers, and a way to close whatever is left open.

#include "platform/controls.h"
#include "platform/facility.h"
#include "platform/widgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using platform::Event;
using platform::Window;
using namespace Qt::StringLiterals;

inline QString U(const platform::Text &text)
{
    return platform::FromCp936(text);
}

inline platform::Text B(const QString &text)
{
    return platform::ToCp936(text);
}

class WindowFixture
{
public:
    WindowFixture() { platform::SetProgramDirectory(m_dir.path()); }
    ~WindowFixture() { closeAll(); }
    WindowFixture(const WindowFixture &) = delete;
    WindowFixture &operator=(const WindowFixture &) = delete;

    // Records "<control> <event>" for each event of `window` that a handler receives.
    void log(Window window, const char *control, Event event, const QString &entry)
    {
        platform::Bind(window, control, event, [this, entry] { events.append(entry); });
    }

    bool loadMain()
    {
        platform::LoadWindow(Window::Main, false);
        QWidget *window = platform::WindowWidget(Window::Main);
        return window && QTest::qWaitForWindowActive(window);
    }

    QWidget *control(const char *name, Window window = Window::Main) const
    {
        return platform::Control(window, name);
    }

    template<typename T>
    T *control(const char *name, Window window = Window::Main) const
    {
        return qobject_cast<T *>(platform::Control(window, name));
    }

    void closeAll()
    {
        // Handlers of a finished test hold references into its stack frame.
        platform::UnbindAll();
        for (Window window : {Window::TaskName, Window::Main}) {
            if (platform::IsLoaded(window)) {
                platform::RequestClose(window);
                QTRY_VERIFY(!platform::IsLoaded(window));
            }
        }
        platform::SetClock({});
    }

    QStringList events;

private:
    QTemporaryDir m_dir;
};

// Runs `drive` once the next modal box or window is up, and closes a message
// box it leaves open.
inline void WhenModal(std::function<void(QWidget *)> drive)
{
    QTimer::singleShot(0, qApp, [drive] {
        QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
        QWidget *modal = QApplication::activeModalWidget();
        drive(modal);
        if (auto *box = qobject_cast<QMessageBox *>(modal); box && box->isVisible())
            box->button(QMessageBox::Ok)->click();
    });
}
