// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers
#pragma once

// Reads and builds record files straight from their bytes, with the offsets
// written out here again, so that the tests check what is really on disk and
// do not lean on the store's own reader.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QtEndian>

#include <cstring>

namespace raw {

constexpr int kRecordsStartNotes = 260;
constexpr int kRecordLengthNotes = 524;
constexpr int kRecordsStartTasks = 332;
constexpr int kRecordLengthTasks = 59;

inline QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

inline bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

inline qint32 I32(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<qint32>(bytes.constData() + at);
}

inline void SetI32(QByteArray &bytes, qsizetype at, qint32 value)
{
    qToLittleEndian<qint32>(value, bytes.data() + at);
}

inline double Double(const QByteArray &bytes, qsizetype at)
{
    const quint64 bits = qFromLittleEndian<quint64>(bytes.constData() + at);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

inline void SetDouble(QByteArray &bytes, qsizetype at, double value)
{
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    qToLittleEndian<quint64>(bits, bytes.data() + at);
}

// A text field as a reader sees it: up to its first zero byte.
inline QByteArray Text(const QByteArray &bytes, qsizetype at, int width)
{
    const QByteArray field = bytes.mid(at, width);
    const qsizetype zero = field.indexOf('\0');
    return zero < 0 ? field : field.left(zero);
}

struct Note {
    qint32 tag = 0;
    double date = 0.0;
    QByteArray text;
};

struct Task {
    qint32 tag = 0;
    qint32 number = 0;
    QByteArray name;
    bool done = false;
};

// The counted records, or nothing when the header says more than the file holds.
inline QList<Note> Notes(const QByteArray &bytes)
{
    QList<Note> notes;
    const qint32 count = I32(bytes, 16);
    if (bytes.size() < kRecordsStartNotes + qint64(count) * kRecordLengthNotes)
        return notes;
    for (qint32 i = 0; i < count; ++i) {
        const qsizetype at = kRecordsStartNotes + qsizetype(i) * kRecordLengthNotes;
        notes.append({I32(bytes, at), Double(bytes, at + 4), Text(bytes, at + 12, 512)});
    }
    return notes;
}

inline QList<Task> Tasks(const QByteArray &bytes)
{
    QList<Task> tasks;
    const qint32 count = I32(bytes, 16);
    if (bytes.size() < kRecordsStartTasks + qint64(count) * kRecordLengthTasks)
        return tasks;
    for (qint32 i = 0; i < count; ++i) {
        const qsizetype at = kRecordsStartTasks + qsizetype(i) * kRecordLengthTasks;
        tasks.append({I32(bytes, at), I32(bytes, at + 4), Text(bytes, at + 8, 50), bytes[at + 58] != 0});
    }
    return tasks;
}

// A notes file built by hand: header, two descriptors, then the records.
inline QByteArray NotesFile(const QList<Note> &notes, qint32 nextTag)
{
    QByteArray bytes(kRecordsStartNotes, '\0');
    std::memcpy(bytes.data(), "WEDB", 4);
    SetI32(bytes, 4, 0x00010000);
    SetDouble(bytes, 8, 46000.5);
    SetI32(bytes, 16, qint32(notes.size()));
    SetI32(bytes, 20, nextTag);
    SetI32(bytes, 24, kRecordLengthNotes);
    SetI32(bytes, 112, 2);
    std::memcpy(bytes.data() + 116, "\xC8\xD5\xC6\xDA", 4);   // 日期
    SetI32(bytes, 116 + 20, 8);
    SetI32(bytes, 116 + 24, 4);
    std::memcpy(bytes.data() + 188, "\xCA\xC2\xCE\xF1", 4);   // 事务
    SetI32(bytes, 188 + 20, 10);
    SetI32(bytes, 188 + 24, 12);
    SetI32(bytes, 188 + 28, 512);
    for (const Note &n : notes) {
        QByteArray rec(kRecordLengthNotes, '\0');
        SetI32(rec, 0, n.tag);
        SetDouble(rec, 4, n.date);
        std::memcpy(rec.data() + 12, n.text.constData(), size_t(qMin<qsizetype>(n.text.size(), 512)));
        bytes.append(rec);
    }
    return bytes;
}

inline bool operator==(const Note &a, const Note &b)
{
    return a.tag == b.tag && a.date == b.date && a.text == b.text;
}

inline bool operator==(const Task &a, const Task &b)
{
    return a.tag == b.tag && a.number == b.number && a.name == b.name && a.done == b.done;
}

} // namespace raw
