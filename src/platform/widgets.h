// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers
#pragma once

// For tests: the real widgets behind the facility's windows and controls.

#include "platform/facility.h"

class QWidget;

namespace platform {

// The window's widget, or nullptr when it is not loaded.
QWidget *WindowWidget(Window window);
// The control's widget, or nullptr when the window is not loaded or has no such control.
QWidget *Control(Window window, const char *name);

} // namespace platform
