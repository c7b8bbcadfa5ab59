// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

#include "mainwin/daynotes.h"
#include "mainwin/mainwin.h"

#include "platform/calendar.h"
#include "platform/facility.h"
#include "store/schedule.h"

#include <QDate>

double currentDate = 0.0;
std::int32_t noteDirty = 0;

namespace mainwin {

using platform::Window;

namespace {

constexpr const char *kNotesBox = "编辑框_事务";
constexpr const char *kPicker = "日期框1";

[[noreturn]] void TypeMismatch()
{
    platform::FatalRuntimeError(5, platform::ToCp936(u"数据或数组类型不匹配"));
}

// The picker shows the day of its value as it stands, while the date part
// rounds to the nearest second first: 23:59:59.5 is already the next day.
// Put the picker on the day the notes box shows, so the two never disagree.
void ShowCurrentDayInPicker(double pickerValue)
{
    const QDate shown = platform::ToLocalDateTime(platform::ClampDate(pickerValue)).date();
    const QDate wanted = platform::ToLocalDateTime(platform::ClampDate(currentDate)).date();
    if (shown != wanted)
        platform::SetPickerValue(Window::Main, kPicker, currentDate);
}

void ReportNoteNotStored(const QString &reason)
{
    platform::ShowMessage(
        platform::ToCp936(QString::fromUtf16(u"这一天的事务没有保存下来：") + reason
                          + QString::fromUtf16(u"\r\n\r\n文字仍留在事务框里，离开事务框时会再试一次。")),
        platform::ToCp936(u"事务未保存"));
}

// Turns the window to the day now in `currentDate`.
void TurnToCurrentDay()
{
    platform::SetPickerValue(Window::Main, kPicker, currentDate);
    ShowDayNote();
}

void StepDays(int days)
{
    currentDate = platform::DatePart(platform::PickerValue(Window::Main, kPicker));
    if (noteDirty != 0 && !SaveDayNote()) {
        // Stay on the day whose note is still unstored in the box.
        platform::SetPickerValue(Window::Main, kPicker, currentDate);
        return;
    }
    currentDate = platform::AddDays(currentDate, days);
    TurnToCurrentDay();
}

void OnNoteTextChanged()
{
    noteDirty = 1;
}

void OnNoteLostFocus()
{
    // Closing the window takes the focus out of the box first; a note that
    // could not be stored keeps the window open rather than going with it.
    if (noteDirty != 0 && !SaveDayNote())
        platform::CancelClose(Window::Main);
}

void OnDateChanged()
{
    if (noteDirty != 0 && !SaveDayNote()) {
        platform::SetPickerValue(Window::Main, kPicker, currentDate);
        return;
    }
    const double picked = platform::PickerValue(Window::Main, kPicker);
    currentDate = platform::DatePart(picked);
    ShowCurrentDayInPicker(picked);
    ShowDayNote();
}

void OnSessionEnding()
{
    // The session may end the process without closing the window, so the
    // focus-out that normally stores the note may never come.
    platform::CommitInputMethod();
    if (noteDirty != 0)
        SaveDayNote();
}

} // namespace

bool IsCurrentDay()
{
    const store::Value date = store::ReadField(store::NoteDateField());
    if (date.type != store::FieldType::DateTime)
        TypeMismatch();
    return platform::ClampDate(platform::DatePart(date.dateTime)) == platform::ClampDate(currentDate);
}

void ShowDayNote()
{
    store::SelectTable(store::NotesTable());
    store::GoToFirst();
    if (store::FindRecord(IsCurrentDay)) {
        const store::Value note = store::ReadField(store::NoteTextField());
        if (note.type != store::FieldType::Text)
            TypeMismatch();
        platform::SetEditText(Window::Main, kNotesBox, note.text);
    } else {
        platform::SetEditText(Window::Main, kNotesBox, {});
    }
    // Last: the write above raised text changed and marked the note edited.
    noteDirty = 0;
}

bool SaveDayNote()
{
    // The failure message takes the focus from the notes box, whose lost
    // focus handler would try again from inside this very call.
    static bool saving = false;
    if (saving)
        return false;
    saving = true;

    platform::CommitInputMethod();
    store::Status status;
    if (!store::SelectTable(store::NotesTable())) {
        status = store::Status::failure(store::Status::Code::NoTable, QStringLiteral("notes table not open"));
    } else {
        // From the current record on: ShowDayNote left it at or before the day's record.
        const bool found = store::FindRecord(IsCurrentDay);
        const platform::Text text = platform::EditText(Window::Main, kNotesBox);
        if (found)
            status = store::ModifyRecord({std::nullopt, store::Value::ofText(text)});
        else
            status = store::AddRecord({store::Value::ofDateTime(currentDate), store::Value::ofText(text)});
    }

    if (status.ok())
        noteDirty = 0;
    else
        ReportNoteNotStored(status.reason);
    saving = false;
    return status.ok();
}

void BindDayNoteHandlers()
{
    platform::Bind(Window::Main, kNotesBox, platform::Event::TextChanged, OnNoteTextChanged);
    platform::Bind(Window::Main, kNotesBox, platform::Event::LostFocus, OnNoteLostFocus);
    platform::Bind(Window::Main, "按钮_后一天", platform::Event::Click, [] { StepDays(+1); });
    platform::Bind(Window::Main, "按钮_前一天", platform::Event::Click, [] { StepDays(-1); });
    platform::Bind(Window::Main, kPicker, platform::Event::DateChanged, OnDateChanged);
    platform::Bind(Window::Main, nullptr, platform::Event::SessionEnding, OnSessionEnding);
}

void TakeDayFromPicker()
{
    const double now = platform::PickerValue(Window::Main, kPicker);
    currentDate = platform::DatePart(now);
    ShowCurrentDayInPicker(now);
}

} // namespace mainwin
