// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

#include "tasks/tasklist.h"

#include "store/schedule.h"

std::int32_t currentTaskRecord = 0;
platform::Text taskText;
bool taskNameChanged = false;

namespace tasks {

using platform::Event;
using platform::Window;

namespace {

constexpr const char *kList = "选择列表框_任务";
constexpr const char *kNotDone = "单选框_未完成";
constexpr const char *kDone = "单选框_已完成";
constexpr const char *kAll = "单选框_全部";
constexpr const char *kNameBox = "编辑框1";

[[noreturn]] void TypeMismatch()
{
    platform::FatalRuntimeError(5, platform::ToCp936(u"数据或数组类型不匹配"));
}

// Every user of the store selects its table first; a tasks table that failed
// to open must not let the handlers fall through to the notes table.
store::Status SelectTasks()
{
    if (store::SelectTable(store::TasksTable()))
        return store::Status::success();
    return store::Status::failure(store::Status::Code::NoTable, QStringLiteral("任务表没有打开。"));
}

int FilterInForce()
{
    if (platform::IsRadioChecked(Window::Main, kNotDone))
        return 1;
    if (platform::IsRadioChecked(Window::Main, kDone))
        return 2;
    return 3;
}

// The list was patched on screen before (or instead of) the write, so after
// a failed write it may show what the file does not hold: tell the user, then
// show the file as it is.
void ReportNotStored(const QString &what, const store::Status &status)
{
    platform::ShowMessage(platform::ToCp936(what + u'：' + status.reason
                                            + QStringLiteral("\r\n\r\n任务列表已按文件中保存的内容重新显示。")),
                          platform::ToCp936(u"任务未保存"));
    FillTaskList(FilterInForce());
}

void OpenTaskNameWindow()
{
    platform::LoadWindow(Window::TaskName, true);
}

void OnAddClick()
{
    taskText = platform::Text();
    OpenTaskNameWindow();
    if (taskText.isEmpty())
        return;

    if (const store::Status selected = SelectTasks(); !selected) {
        ReportNotStored(QStringLiteral("新任务没有添加"), selected);
        return;
    }
    currentTaskRecord = store::RecordCount() + 1;
    platform::ListAddItem(Window::Main, kList, taskText, currentTaskRecord);
    WriteTask(true);
}

void OnRenameClick()
{
    const int selected = platform::ListSelectedIndex(Window::Main, kList);
    if (selected < 0) {
        platform::ShowMessage(platform::ToCp936(u"请选择任务"), platform::ToCp936(u"未选择任务"));
        return;
    }
    taskText = platform::ListItemText(Window::Main, kList, selected);
    OpenTaskNameWindow();
    if (taskText.isEmpty())
        return;

    currentTaskRecord = platform::ListItemValue(Window::Main, kList, selected);
    platform::ListSetItemText(Window::Main, kList, selected, taskText);
    WriteTask(false);
}

void OnDeleteClick()
{
    const int selected = platform::ListSelectedIndex(Window::Main, kList);
    if (selected < 0) {
        platform::ShowMessage(platform::ToCp936(u"你还未选择要删除的项目！"));
        return;
    }
    const std::int32_t k = platform::ListItemValue(Window::Main, kList, selected);
    currentTaskRecord = k;

    store::Status status = SelectTasks();
    if (status) {
        store::GoTo(k);
        status = store::DeleteRecord();
    }
    if (status)
        status = store::PurgeDeleted();
    if (!status) {
        ReportNotStored(QStringLiteral("任务没有删除"), status);
        return;
    }

    platform::ListDeleteItem(Window::Main, kList, selected);
    // The records after k moved down by one; keep every item naming its own.
    const int count = platform::ListCount(Window::Main, kList);
    for (int i = 0; i < count; ++i) {
        const std::int32_t value = platform::ListItemValue(Window::Main, kList, i);
        if (value > k)
            platform::ListSetItemValue(Window::Main, kList, i, value - 1);
    }
}

// The item whose box changed, not the selected one: the space key toggles
// the focused item's box while nothing may be selected.
void OnCheckChange()
{
    const int changed = platform::CheckChangedIndex();
    if (changed < 0)
        return;

    store::Status status = SelectTasks();
    if (status) {
        currentTaskRecord = platform::ListItemValue(Window::Main, kList, changed);
        store::GoTo(currentTaskRecord);
        const bool done = platform::ListIsChecked(Window::Main, kList, changed);
        status = store::ModifyRecord({std::nullopt, std::nullopt, store::Value::ofLogical(done)});
    }
    if (!status)
        ReportNotStored(QStringLiteral("任务的完成标记没有保存"), status);
}

void OnFilterClick(const char *radio, int filter)
{
    if (platform::IsRadioChecked(Window::Main, radio))
        FillTaskList(filter);
}

// --- the task name window ---------------------------------------------------

void OnNameWindowCreated()
{
    // Writing the box raises text changed, so the flag is cleared after it.
    platform::SetEditText(Window::TaskName, kNameBox, taskText);
    taskNameChanged = false;
}

void OnNameTextChanged()
{
    taskNameChanged = true;
}

void OnNameOkClick()
{
    // A composition still open in the box belongs to the name being confirmed.
    platform::CommitInputMethod();
    if (taskNameChanged)
        taskText = platform::EditText(Window::TaskName, kNameBox);
    platform::RequestClose(Window::TaskName);
}

void OnNameCancelClick()
{
    taskText = platform::Text();
    platform::RequestClose(Window::TaskName);
}

void OnNameWindowWillBeDestroyed()
{
    if (!taskNameChanged)
        taskText = platform::Text();
}

} // namespace

void FillTaskList(int filter)
{
    platform::ListClear(Window::Main, kList);
    if (!SelectTasks())
        return;
    store::GoToFirst();

    int shown = 0;
    const std::int32_t n = store::RecordCount();
    for (std::int32_t i = 1; i <= n; ++i) {
        const store::Value name = store::ReadField(store::TaskNameField());
        if (name.type != store::FieldType::Text)
            TypeMismatch();
        const store::Value done = store::ReadField(store::TaskDoneField());
        if (done.type != store::FieldType::Logical)
            TypeMismatch();

        const bool listed = filter == 1 ? !done.logical : filter == 2 ? done.logical : true;
        if (listed) {
            platform::ListAddItem(Window::Main, kList, name.text, i);
            // The list appends and never sorts, so the new item is at `shown`.
            platform::ListSetCheck(Window::Main, kList, shown, done.logical);
            ++shown;
        }
        store::Skip();
    }
}

void WriteTask(bool isNew)
{
    store::Status status = SelectTasks();
    if (status) {
        if (isNew) {
            status = store::AddRecord({store::Value::ofInteger(currentTaskRecord),
                                       store::Value::ofText(taskText),
                                       store::Value::ofLogical(false)});
        } else {
            const int selected = platform::ListSelectedIndex(Window::Main, kList);
            store::GoTo(platform::ListItemValue(Window::Main, kList, selected));
            status = store::ModifyRecord({std::nullopt, store::Value::ofText(taskText)});
        }
    }
    if (!status)
        ReportNotStored(isNew ? QStringLiteral("新任务没有添加") : QStringLiteral("任务没有改名"), status);
}

void BindTaskHandlers()
{
    platform::Bind(Window::Main, "按钮_添加", Event::Click, OnAddClick);
    platform::Bind(Window::Main, "按钮_编辑", Event::Click, OnRenameClick);
    platform::Bind(Window::Main, kList, Event::DoubleClick, OnRenameClick);
    platform::Bind(Window::Main, "按钮_删除", Event::Click, OnDeleteClick);
    platform::Bind(Window::Main, kList, Event::CheckChange, OnCheckChange);
    platform::Bind(Window::Main, kNotDone, Event::Click, [] { OnFilterClick(kNotDone, 1); });
    platform::Bind(Window::Main, kDone, Event::Click, [] { OnFilterClick(kDone, 2); });
    platform::Bind(Window::Main, kAll, Event::Click, [] { OnFilterClick(kAll, 3); });

    platform::Bind(Window::TaskName, nullptr, Event::Created, OnNameWindowCreated);
    platform::Bind(Window::TaskName, kNameBox, Event::TextChanged, OnNameTextChanged);
    platform::Bind(Window::TaskName, "按钮_确定", Event::Click, OnNameOkClick);
    platform::Bind(Window::TaskName, "按钮_取消", Event::Click, OnNameCancelClick);
    platform::Bind(Window::TaskName, nullptr, Event::WillBeDestroyed, OnNameWindowWillBeDestroyed);
}

} // namespace tasks
