// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers
#pragma once

// The task list in the main window and the task name window.

#include "platform/facility.h"

#include <cstdint>

// Record number of the task being written.
extern std::int32_t currentTaskRecord;
// The name handed to and from the task name window; a null array is "absent".
extern platform::Text taskText;
// The name box was changed since the task name window opened.
extern bool taskNameChanged;

namespace tasks {

// 1 tasks not done, 2 tasks done, any other value all tasks.
void FillTaskList(int filter);
void WriteTask(bool isNew);

// Binds the handlers of the task list's controls in the main window and of
// the task name window.
void BindTaskHandlers();

} // namespace tasks
