// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

#include "platform/calendar.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

constexpr double kSecondsPerDay = 86400.0;
constexpr double kMsecsPerDay = 86400000.0;

// A value as its calendar day (days from 1899-12-30) and the fraction of that
// day, counted forward from midnight also for negative values.
struct DayAndFraction {
    double day;
    double fraction;
};

DayAndFraction Split(double value)
{
    const double day = std::trunc(value);
    return {day, std::fabs(value - day)};
}

double Join(double day, double fraction)
{
    return day >= 0 ? day + fraction : day - fraction;
}

const QDate &Epoch()
{
    static const QDate epoch(1899, 12, 30);
    return epoch;
}

} // namespace

double ClampDate(double value)
{
    if (std::isnan(value))
        return 0.0;
    return std::clamp(value, kFirstDay, kLastDay);
}

double DatePart(double value)
{
    const DayAndFraction split = Split(ClampDate(value));
    // Whole seconds first, so 23:59:59.5 is already the next day.
    const double seconds = std::round(split.fraction * kSecondsPerDay);
    return seconds >= kSecondsPerDay ? split.day + 1.0 : split.day;
}

double AddDays(double value, int days)
{
    const DayAndFraction split = Split(ClampDate(value));
    return Join(split.day + days, split.fraction);
}

QDateTime ToLocalDateTime(double value)
{
    const DayAndFraction split = Split(ClampDate(value));
    const qint64 msecs = std::min<qint64>(std::llround(split.fraction * kMsecsPerDay),
                                          qint64(kMsecsPerDay) - 1);
    return QDateTime(Epoch().addDays(qint64(split.day)), QTime(0, 0).addMSecs(int(msecs)),
                     Qt::LocalTime);
}

double FromLocalDateTime(const QDateTime &dateTime)
{
    const QDateTime local = dateTime.toLocalTime();
    const double day = double(Epoch().daysTo(local.date()));
    const double fraction = local.time().msecsSinceStartOfDay() / kMsecsPerDay;
    return Join(day, fraction);
}

} // namespace platform
