// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers
#include "benchdata.h"

#include <QDate>
#include <QStringEncoder>

#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace bench {
namespace {

// Notes run from 1926-01-01 to 2025-12-31, as day counts from 1899-12-30.
const double kFirstDay = double(QDate(1899, 12, 30).daysTo(QDate(1926, 1, 1)));

QByteArray toGbk(const QString &s)
{
    QStringEncoder gbk("GBK");
    QByteArray bytes = gbk.encode(s);
    Q_ASSERT(!gbk.hasError());
    return bytes;
}

// A handful of distinct texts is enough: the store's records have a fixed
// length whatever the text, and SQLite's pages see the spread of lengths.
std::vector<QByteArray> makeNotes()
{
    const QString line = u"今天的事务：上午开会，下午写周报，给客户回电话，晚上买菜做饭。"_s;
    std::vector<QByteArray> notes;
    for (int repeat = 1; repeat <= 6; ++repeat) {
        QByteArray note = toGbk(line.repeated(repeat));
        notes.push_back(note.left(50 * repeat));
    }
    return notes;
}

std::vector<QByteArray> makeTaskNames()
{
    std::vector<QByteArray> names;
    for (const QString &s : {u"整理会议记录"_s, u"给张经理回电话"_s, u"交水电费"_s,
                             u"准备下周的项目汇报材料"_s, u"买牛奶"_s})
        names.push_back(toGbk(s));
    return names;
}

} // namespace

double NoteDay(int i) { return kFirstDay + i; }
double LastNoteDay() { return NoteDay(kNoteCount - 1); }
double DayAfterLastNote(int k) { return NoteDay(kNoteCount + k); }

const QByteArray &NoteText(int i)
{
    static const std::vector<QByteArray> notes = makeNotes();
    return notes[std::size_t(i) % notes.size()];
}

const QByteArray &TaskName(int i)
{
    static const std::vector<QByteArray> names = makeTaskNames();
    return names[std::size_t(i) % names.size()];
}

bool TaskDone(int i) { return i % 3 == 0; }

Settings &settings()
{
    static Settings s;
    return s;
}

std::string BenchName(Op op, const char *side)
{
    for (const OpInfo &info : kOps)
        if (info.op == op)
            return std::string(info.name) + '/' + side;
    return {};
}

} // namespace bench
