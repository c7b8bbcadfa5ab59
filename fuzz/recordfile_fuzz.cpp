// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

// Opens arbitrary bytes as a record file, reads every field of every record,
// then changes it a little and reads it again. An input starting with 'J'
// carries a rollback journal too: 'J', the file's length (2 bytes), the
// file, then the journal's body (original size, region count, regions),
// which gets a valid head and checksum so that its regions are what is tried.

#include "store/fileio.h"
#include "store/journal.h"
#include "store/layout.h"
#include "store/recordstore.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QtEndian>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Fatal : std::runtime_error {
    Fatal() : std::runtime_error("fatal") {}
};

[[noreturn]] void throwFatal(std::int32_t, const QByteArray &)
{
    throw Fatal();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray journalFor(const QString &path, const QByteArray &body)
{
    using namespace store::layout;
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    QByteArray bytes(kJournalMagic, sizeof kJournalMagic);
    char word[8];
    qToLittleEndian<quint64>(quint64(st.st_dev), word);
    bytes.append(word, 8);
    qToLittleEndian<quint64>(quint64(st.st_ino), word);
    bytes.append(word, 8);
    bytes.append(body);
    qToLittleEndian<quint64>(store::journal::Checksum(bytes.constData(), bytes.size()), word);
    bytes.append(word, 8);
    return bytes;
}

void readAll()
{
    const std::vector<store::FieldDescriptor> fields = store::TableFields();
    store::GoToFirst();
    for (std::int32_t k = 0; k <= store::RecordCount(); ++k) {
        for (const store::FieldDescriptor &f : fields)
            (void)store::ReadField(f.name);
        store::Skip();
    }
    store::GoToFirst();
    std::int32_t seen = 0;
    store::FindRecord([&] { return ++seen > 3; });
}

void change()
{
    const std::vector<store::FieldDescriptor> fields = store::TableFields();
    store::Values values;
    for (const store::FieldDescriptor &f : fields) {
        switch (static_cast<store::FieldType>(f.type)) {
        case store::FieldType::Integer: values.push_back(store::Value::ofInteger(7)); break;
        case store::FieldType::Logical: values.push_back(store::Value::ofLogical(true)); break;
        case store::FieldType::DateTime: values.push_back(store::Value::ofDateTime(45000.5)); break;
        case store::FieldType::Text: values.push_back(store::Value::ofText(QByteArray(2000, 'x'))); break;
        default: values.push_back(std::nullopt); break;
        }
    }
    (void)store::AddRecord(values);
    store::GoTo(1);
    (void)store::ModifyRecord(values);
    (void)store::DeleteRecord();
    store::GoTo(2);
    (void)store::DeleteRecord();
    (void)store::PurgeDeleted();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const QString directory = [] {
        store::SetSyncEnabled(false);
        store::SetFatalHandler(&throwFatal);
        const QString d = QDir::temp().filePath(QStringLiteral("quillmere-fuzz-%1").arg(::getpid()));
        QDir().mkpath(d);
        std::atexit([] { QDir(QDir::temp().filePath(QStringLiteral("quillmere-fuzz-%1").arg(::getpid()))).removeRecursively(); });
        return d;
    }();
    const QString path = directory + QStringLiteral("/f.edb");
    const QString journalPath = store::journal::PathFor(path);
    QFile::remove(journalPath);

    QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QByteArray journalBody;
    bool withJournal = false;
    if (input.size() >= 3 && input[0] == 'J') {
        const qsizetype length = qFromLittleEndian<quint16>(input.constData() + 1);
        journalBody = input.mid(3 + length);
        input = input.mid(3, length);
        withJournal = true;
    }
    if (!writeFile(path, input))
        return 0;
    if (withJournal && !writeFile(journalPath, journalFor(path, journalBody)))
        return 0;

    try {
        if (store::OpenTable(path, "t")) {
            readAll();
            change();
            readAll();
        }
    } catch (const Fatal &) {
        // Only a field name that is missing can get here, and every name
        // read came from the file itself.
        std::abort();
    }
    store::CloseAllTables();
    return 0;
}
