// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

#include "platform/calendar.h"

#include <QTest>

using namespace platform;

class TestCalendar : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void datePart_data();
    void datePart();
    void addDays_data();
    void addDays();
    void localDateTime_data();
    void localDateTime();
};

static constexpr double kSecond = 1.0 / 86400.0;

void TestCalendar::datePart_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("expected");
    QTest::newRow("noon") << 45000.5 << 45000.0;
    QTest::newRow("midnight") << 45000.0 << 45000.0;
    QTest::newRow("negative: day toward zero") << -1.25 << -1.0;
    QTest::newRow("negative below one day") << -0.75 << 0.0;
    QTest::newRow("23:59:59.5 is the next day") << 45000.0 + 86399.5 * kSecond << 45001.0;
    QTest::newRow("23:59:59.4 stays") << 45000.0 + 86399.4 * kSecond << 45000.0;
    QTest::newRow("negative 23:59:59.7 is the next day") << -(2.0 + 86399.7 * kSecond) << -1.0;
    QTest::newRow("negative day -1 late turns to day 0") << -(1.0 + 86399.6 * kSecond) << 0.0;
    QTest::newRow("first day") << kFirstDay << kFirstDay;
    QTest::newRow("last day") << kLastDay << kLastDay;
    QTest::newRow("before the first day") << kFirstDay - 10.5 << kFirstDay;
    QTest::newRow("after the last day") << kLastDay + 10.5 << kLastDay;
    QTest::newRow("last day, late: clamped to its midnight") << kLastDay + 0.9 << kLastDay;
}

void TestCalendar::datePart()
{
    QFETCH(double, value);
    QFETCH(double, expected);
    QCOMPARE(DatePart(value), expected);
}

void TestCalendar::addDays_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("days");
    QTest::addColumn<double>("expected");
    QTest::newRow("forward") << 45000.0 << 1 << 45001.0;
    QTest::newRow("back") << 45000.0 << -1 << 44999.0;
    QTest::newRow("across day 0") << 0.0 << -1 << -1.0;
    QTest::newRow("result not clamped") << kLastDay << 1 << kLastDay + 1.0;
    QTest::newRow("below the range clamped first") << kFirstDay - 100.0 << 1 << kFirstDay + 1.0;
    QTest::newRow("above the range clamped first") << kLastDay + 100.0 << -1 << kLastDay - 1.0;
    QTest::newRow("negative keeps its time of day") << -1.25 << 2 << 1.25;
}

void TestCalendar::addDays()
{
    QFETCH(double, value);
    QFETCH(int, days);
    QFETCH(double, expected);
    QCOMPARE(AddDays(value, days), expected);
}

void TestCalendar::localDateTime_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QDateTime>("local");
    QTest::newRow("day 0") << 0.0 << QDateTime(QDate(1899, 12, 30), QTime(0, 0));
    QTest::newRow("-1.25") << -1.25 << QDateTime(QDate(1899, 12, 29), QTime(6, 0));
    QTest::newRow("2.75") << 2.75 << QDateTime(QDate(1900, 1, 1), QTime(18, 0));
    QTest::newRow("milliseconds") << 45000.0 + 0.5 + 0.345 / 86400.0
                                  << QDateTime(QDate(2023, 3, 15), QTime(12, 0, 0, 345));
    QTest::newRow("first day") << kFirstDay << QDateTime(QDate(100, 1, 1), QTime(0, 0));
    QTest::newRow("last day") << kLastDay << QDateTime(QDate(9999, 12, 31), QTime(0, 0));
}

void TestCalendar::localDateTime()
{
    QFETCH(double, value);
    QFETCH(QDateTime, local);
    QCOMPARE(ToLocalDateTime(value), local);
    QVERIFY(qAbs(FromLocalDateTime(local) - value) < 0.0005 / 86400.0);
}

QTEST_GUILESS_MAIN(TestCalendar)
#include "tst_calendar.moc"
