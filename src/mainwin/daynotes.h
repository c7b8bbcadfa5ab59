// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers
#pragma once

namespace mainwin {

void BindDayNoteHandlers();
// Takes the picker's day (now, at start) into currentDate.
void TakeDayFromPicker();

} // namespace mainwin
