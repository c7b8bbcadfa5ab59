// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers
#pragma once

#include <cstdint>

// The day whose note the notes box shows: always a date part.
extern double currentDate;
// 1 when the notes box was changed since its note was last shown or stored.
extern std::int32_t noteDirty;

namespace mainwin {

// Registers the exit hook, loads the main window and runs the event loop.
void StartProgram();
// The part of StartProgram before the event loop (tests drive the window from here).
void LoadMainWindow();
void ReleaseTaskText();

void ShowDayNote();
// Returns false, after telling the user why, when the note could not be stored.
bool SaveDayNote();
bool IsCurrentDay();

} // namespace mainwin
