// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers
#pragma once

// Reads "shiwu.edb" straight from its bytes, without the store, so the tests
// see what is really on disk.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QtEndian>

#include <cstring>

struct NoteRecord {
    qint32 tag = 0;
    double date = 0.0;
    QByteArray text;
    bool terminated = false;   // a zero byte ends the text inside the field
};

inline QList<NoteRecord> ReadNoteFile(const QString &path)
{
    constexpr int kRecordsStart = 260;
    constexpr int kRecordLength = 524;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    if (bytes.size() < kRecordsStart)
        return {};
    const qint32 count = qFromLittleEndian<qint32>(bytes.constData() + 16);
    QList<NoteRecord> records;
    for (qint32 i = 0; i < count && kRecordsStart + (i + 1) * kRecordLength <= bytes.size(); ++i) {
        const char *rec = bytes.constData() + kRecordsStart + i * kRecordLength;
        NoteRecord r;
        r.tag = qFromLittleEndian<qint32>(rec);
        const quint64 bits = qFromLittleEndian<quint64>(rec + 4);
        std::memcpy(&r.date, &bits, sizeof r.date);
        const QByteArray field(rec + 12, 512);
        const qsizetype zero = field.indexOf('\0');
        r.terminated = zero >= 0;
        r.text = r.terminated ? field.left(zero) : field;
        records.append(r);
    }
    return records;
}
