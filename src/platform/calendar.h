// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers
#pragma once

// Date-time values: days since 1899-12-30 00:00 as a double. For negative
// values the day is the integer part toward zero and the fraction counts
// forward from that day's midnight (-1.25 is 1899-12-29 06:00).

#include <QDateTime>

namespace platform {

constexpr double kFirstDay = -657434.0;   // 0100-01-01
constexpr double kLastDay = 2958465.0;    // 9999-12-31

double ClampDate(double value);
// Clamped, brought to the nearest whole second, reduced to midnight of its day.
double DatePart(double value);
// Clamped first, then whole days added; the result is not clamped.
double AddDays(double value, int days);

QDateTime ToLocalDateTime(double value);
double FromLocalDateTime(const QDateTime &dateTime);

} // namespace platform
