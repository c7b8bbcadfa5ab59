// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

#include "mainwin/daynotes.h"
#include "mainwin/mainwin.h"

#include "platform/facility.h"
#include "store/schedule.h"
#include "tasks/tasklist.h"

namespace mainwin {

using platform::Window;

namespace {

void OnMainWindowCreated()
{
    TakeDayFromPicker();

    const store::ScheduleOpen opened = store::OpenScheduleTables(platform::ProgramDirectory());
    switch (opened.outcome) {
    case store::ScheduleOpen::Outcome::Opened:
        break;
    case store::ScheduleOpen::Outcome::Failed:
        // Starting anyway would let the user type into a window that stores nothing.
        platform::FatalRuntimeError(0, platform::ToCp936(opened.message));
    case store::ScheduleOpen::Outcome::AlreadyOpen:
        // Two copies on one pair of files would renumber each other's tasks.
        platform::ShowMessage(platform::ToCp936(u"日程已在另一个窗口中打开，请切换到那个窗口。"),
                              platform::ToCp936(u"Quillmere 1.1"));
        platform::RequestClose(Window::Main);
        return;
    }

    ShowDayNote();
    tasks::FillTaskList(1);
}

} // namespace

void ReleaseTaskText()
{
    if (!taskText.isNull())
        taskText = platform::Text();
}

void LoadMainWindow()
{
    store::SetFatalHandler(&platform::FatalRuntimeError);
    platform::Bind(Window::Main, nullptr, platform::Event::Created, OnMainWindowCreated);
    BindDayNoteHandlers();
    tasks::BindTaskHandlers();
    platform::LoadWindow(Window::Main, false);
}

void StartProgram()
{
    platform::SetExitHook(&ReleaseTaskText);
    LoadMainWindow();
    platform::RunEventLoop();
}

} // namespace mainwin
