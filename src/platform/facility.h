// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers
#pragma once

// The window and control facility: the program's two windows built from their
// definitions, their controls addressed by window and control name, their
// events bound to handlers, the event loop, message boxes, the fatal run-time
// error, and the process around them. Handlers see texts only as code page 936
// byte strings; conversion happens here, at the widget boundary.

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>

namespace platform {

using Text = QByteArray;   // code page 936 bytes

enum class Window { Main, TaskName };

enum class Event {
    Created,          // window: after its controls exist, before it is shown
    WillBeDestroyed,  // window: while it is destroyed, every way it closes
    SessionEnding,    // main window: the desktop session is ending (log-off, shut-down)
    Click,            // push button, radio button (after checking it)
    TextChanged,      // edit box: every change, including writes from code
    LostFocus,        // edit box
    DateChanged,      // date picker: user changes only, delivered from the event loop
    CheckChange,      // check-box list: user changes only; see CheckChangedIndex()
    DoubleClick,      // check-box list: on an item's text, not its check box
};

using Handler = std::function<void()>;

// --- process and start ------------------------------------------------------

// Creates the application, makes the program's directory the current
// directory and loads both window definitions (fatal 0 "载入窗口模板数据段出错!"
// when they cannot be loaded). Call once, first.
void InitFacility(int &argc, char **argv);

// The directory that holds the program file, without a trailing separator.
QString ProgramDirectory();
// Points the program at another directory and makes it current (tests).
void SetProgramDirectory(const QString &directory);

bool EntryExists(const QString &path);

// "Now", for the date picker's initial value. Tests fix the day here.
QDateTime Now();
void SetClock(std::function<QDateTime()> clock);   // empty: the system clock

void SetExitHook(void (*hook)());
// Ends normally: runs the exit hook once; returns the exit code 0.
int NormalEnd();

// Shows the error box titled "错误" and ends the process with exit code -1,
// the exit hook not run. From the moment it is raised no handler runs.
[[noreturn]] void FatalRuntimeError(std::int32_t number, const Text &message);
// The error box's text: "运行时出错!" CRLF CRLF ["错误代码：" n CRLF CRLF] ["错误信息：" m CRLF].
Text FatalErrorText(std::int32_t number, const Text &message);

// --- windows ------------------------------------------------------------------

// Binds a handler; `control` is the control's name, or nullptr for the window.
void Bind(Window window, const char *control, Event event, Handler handler);
void UnbindAll();

// Creates the window hidden with its controls, raises Created, then shows it
// centred. Modal: disables the other windows and returns only once the window
// has been destroyed (after WillBeDestroyed). "载入启动窗口失败" when it cannot be made.
void LoadWindow(Window window, bool modal);
bool IsLoaded(Window window);
// Returns at once; the window is destroyed later, from the event loop.
void RequestClose(Window window);
// From a lost focus handler run by a closing window: the window stays open
// (its content could not be stored). Outside a close it does nothing.
void CancelClose(Window window);
// Runs until the last window of the program has been destroyed; skipped when none exists.
void RunEventLoop();

// --- controls -----------------------------------------------------------------
// Addressing a window that is not loaded is the fatal error 0 "指定窗口尚未载入".

Text EditText(Window window, const char *control);
// Replaces the text, then raises TextChanged once, at once, even for an equal text.
void SetEditText(Window window, const char *control, const Text &text);
// Commits an unfinished input-method composition into the focused edit box.
void CommitInputMethod();

double PickerValue(Window window, const char *control);      // date-time value, with time of day
void SetPickerValue(Window window, const char *control, double value);   // raises nothing

bool IsRadioChecked(Window window, const char *control);

int ListSelectedIndex(Window window, const char *control);   // -1 when none
int ListCount(Window window, const char *control);
void ListClear(Window window, const char *control);
void ListAddItem(Window window, const char *control, const Text &text, std::int32_t value);
void ListDeleteItem(Window window, const char *control, int index);
Text ListItemText(Window window, const char *control, int index);
void ListSetItemText(Window window, const char *control, int index, const Text &text);
std::int32_t ListItemValue(Window window, const char *control, int index);   // -1 outside
void ListSetItemValue(Window window, const char *control, int index, std::int32_t value);
bool ListIsChecked(Window window, const char *control, int index);
void ListSetCheck(Window window, const char *control, int index, bool done);
// Inside a CheckChange handler: the index of the item whose check box changed.
int CheckChangedIndex();

// One OK button, no icon; title "信息：" when `title` is empty.
void ShowMessage(const Text &text, const Text &title = {});

// --- text -----------------------------------------------------------------------

// Code page 936 conversions, for literals in handlers and for the widgets.
Text ToCp936(QStringView text);
QString FromCp936(const Text &text);
// True when every character of `text` has a code page 936 encoding.
bool FitsCp936(QStringView text);

} // namespace platform
