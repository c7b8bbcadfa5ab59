// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

// How a change survives a crash or a power loss
//
// Every change is written through to the file before its call returns. The
// records are read from a read-only shared map of the file itself, so what
// is read is what the file holds; only the header and descriptors are kept
// as a copy, updated after the file.
//
// A byte inside the counted part of the file (header, descriptors, records)
// is never overwritten until its original is safe in the rollback journal
// "<file>-journal": the journal holds the original bytes of every region the
// change overwrites and the file's size before it, closed by a checksum. One
// journal file serves every change while the table is open (it is created,
// with its directory entry synced, at the first change and removed at
// close). For each change the journal is written from its start and synced
// first; then the file is changed and synced; then the journal's head is
// zeroed and synced, which is the moment the change is complete. Opening
// takes the file's lock, then rolls back a complete journal of this file
// (bytes and size restored) and removes whatever journal it finds: one that
// is incomplete was cut short before the file was touched, and one with a
// zeroed head belongs to a completed change. Each journal's head carries a
// salt that differs from the previous one's, and the checksum covers it, so
// the bytes an earlier journal left behind can never complete one cut short.
//
// Appends write the new record beyond the counted records first and sync it;
// until the header's count covers it those bytes belong to no record, and
// opening cuts them off. Only then is the header's count and next tag
// rewritten, under the journal. A purge likewise journals only the bytes its
// moved records land on and the count; the records left past the new count
// are cut off after the change is complete (or by the next open).
//
// So after a crash at any moment the file opens as it was before the change
// under way or as it is after it, and its bytes are always exactly the
// record file layout.

#include "store/recordstore.h"

#include "store/fileio.h"
#include "store/journal.h"
#include "store/layout.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store {

namespace {

using namespace store::layout;

// --- small helpers ---------------------------------------------------------------

std::int32_t getI32(const char *p)
{
    return qFromLittleEndian<qint32>(p);
}

void putI32(char *p, std::int32_t v)
{
    qToLittleEndian<qint32>(v, p);
}

double getDouble(const char *p)
{
    const quint64 bits = qFromLittleEndian<quint64>(p);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

void putDouble(char *p, double v)
{
    quint64 bits;
    std::memcpy(&bits, &v, sizeof bits);
    qToLittleEndian<quint64>(bits, p);
}

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Names are code page 936 bytes: only ASCII letters fold, never a byte of a
// double-byte character.
bool sameName(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

Text cp936(QStringView text)
{
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

QString fromCp936(const Text &text)
{
    QStringDecoder decoder("GBK");
    return decoder.decode(text);
}

const Text &noSuchField()
{
    static const Text message = cp936(u"指定字段不存在");
    return message;
}

const Text &noTableOpen()
{
    static const Text message = cp936(u"未指定当前数据库或者指定数据库未打开");
    return message;
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

Status ioFailure(const QString &path, int error)
{
    return Status::failure(Status::Code::Io,
                           QStringLiteral("%1：%2").arg(QDir::toNativeSeparators(path),
                                                        systemReason(error)));
}

Status notThisLayout(const QString &why)
{
    return Status::failure(Status::Code::NotThisLayout, why);
}

Status noTable()
{
    return Status::failure(Status::Code::NoTable, fromCp936(noTableOpen()));
}

Status badValue(const QString &why)
{
    return Status::failure(Status::Code::BadValue, why);
}

// Reads exactly `size` bytes; a short read is a failure (errno EIO).
bool readAt(int fd, char *data, std::int64_t size, std::int64_t offset)
{
    std::int64_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, data + done, static_cast<size_t>(size - done),
                                  static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        done += n;
    }
    return true;
}

// Owns a descriptor until released.
class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    Fd(Fd &&other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    Fd &operator=(Fd &&other) noexcept
    {
        reset(std::exchange(other.m_fd, -1));
        return *this;
    }
    ~Fd() { reset(); }
    int get() const { return m_fd; }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

double creationTime()
{
    const QDateTime now = QDateTime::currentDateTime();
    return static_cast<double>(QDate(1899, 12, 30).daysTo(now.date()))
        + now.time().msecsSinceStartOfDay() / 1000 / 86400.0;
}

// --- tables ------------------------------------------------------------------------

struct Field {
    Text name;
    std::int32_t type = 0;
    std::int32_t offset = 0;
    std::int32_t size = 0;
    std::int32_t width = 0;
};

class Table {
public:
    Table() = default;
    Table(const Table &) = delete;
    Table &operator=(const Table &) = delete;
    ~Table();

    Text name;
    QString path;
    Fd fd;
    Fd dirFd;
    journal::FileId id;
    std::vector<Field> fields;
    std::int32_t recordLength = 0;
    std::int64_t recordsStart = 0;
    QByteArray head;      // header, field count and descriptors, as in the file
    std::int32_t current = 0;   // opened before the first record
    std::vector<char> scratch;  // kept between purges for its capacity

    std::int32_t count() const { return getI32(head.constData() + kCountOffset); }
    std::int32_t nextTag() const { return getI32(head.constData() + kNextTagOffset); }
    std::int64_t size() const { return recordsStart + std::int64_t(count()) * recordLength; }
    std::int64_t recordOffset(std::int32_t number) const
    {
        return recordsStart + std::int64_t(number - 1) * recordLength;
    }
    const char *record(std::int32_t number) const
    {
        return m_records + std::int64_t(number - 1) * recordLength;
    }
    const Field *field(const Text &fieldName) const
    {
        // A condition that FindRecord tests on every record asks for the same
        // field each time.
        if (m_lastField && sameName(m_lastField->name, fieldName))
            return m_lastField;
        for (const Field &f : fields) {
            if (sameName(f.name, fieldName))
                return m_lastField = &f;
        }
        return nullptr;
    }

    bool mapAtLeast(std::int64_t bytes);
    Status change(const std::vector<journal::Piece> &originals, std::int64_t originalSize,
                  const std::function<bool()> &writes);
    Status settlePending();
    void closeJournal();

private:
    bool openJournal();
    bool rollBack();

    mutable const Field *m_lastField = nullptr;
    // The file mapped read-only and shared: the records are read where the
    // file holds them, so a change is seen as soon as it is written. Mapped
    // further than the file reaches, so that appends seldom map it again.
    void *m_map = nullptr;
    std::int64_t m_mapLength = 0;
    const char *m_records = nullptr;   // in the map, or in m_shadow

    Fd m_journal;   // opened at the first change, removed at close
    // Each change's journal is told from the one before by this.
    std::uint32_t m_salt = QRandomGenerator::system()->generate();

    // A change whose journal could be neither rolled back nor invalidated:
    // the file may hold part of it. Undone before the next change, or at
    // open; meanwhile the records are read from a copy as they were before it.
    bool m_pending = false;
    QByteArray m_shadow;
};

Table::~Table()
{
    if (m_map)
        ::munmap(m_map, static_cast<size_t>(m_mapLength));
    closeJournal();
}

bool Table::mapAtLeast(std::int64_t bytes)
{
    if (bytes <= m_mapLength)
        return true;
    const std::int64_t page = ::sysconf(_SC_PAGESIZE);
    const std::int64_t wanted = bytes + bytes / 2 + (std::int64_t(1) << 16);
    const std::int64_t length = (wanted + page - 1) / page * page;
    void *map = ::mmap(nullptr, static_cast<size_t>(length), PROT_READ, MAP_SHARED, fd.get(), 0);
    if (map == MAP_FAILED)
        return false;
    if (m_map)
        ::munmap(m_map, static_cast<size_t>(m_mapLength));
    m_map = map;
    m_mapLength = length;
    if (!m_pending)
        m_records = static_cast<const char *>(m_map) + recordsStart;
    return true;
}

bool Table::openJournal()
{
    if (m_journal.get() >= 0)
        return true;
    // Its directory entry is made durable once, before any change relies on it.
    m_journal.reset(io::Create(journal::PathFor(path), O_RDWR | O_TRUNC, 0644));
    return m_journal.get() >= 0 && io::SyncFile(dirFd.get());
}

void Table::closeJournal()
{
    // A journal still to be rolled back stays for the next open.
    if (m_journal.get() < 0 || m_pending)
        return;
    io::Remove(journal::PathFor(path));   // one left behind is invalidated, and ignored
    m_journal.reset();
}

// Puts back what a failed change began, from its journal; on failure keeps
// the change pending, reading the records as they were before it.
bool Table::rollBack()
{
    struct stat st {};
    bool complete = false;
    bool damaged = false;
    journal::Contents contents;
    if (::fstat(fd.get(), &st) != 0
        || !journal::Read(m_journal.get(), id, st.st_size, complete, damaged, contents)) {
        m_pending = true;
        return false;
    }
    if (!complete || damaged)   // the file was not touched under it
        return true;
    if (journal::Apply(fd.get(), contents) && journal::Invalidate(m_journal.get()))
        return true;
    if (!m_pending && m_records) {   // not yet mapped at open: the table is dropped
        const std::int64_t length = std::int64_t(count()) * recordLength;
        const std::int64_t present = std::clamp<std::int64_t>(st.st_size - recordsStart, 0, length);
        m_shadow = QByteArray(static_cast<qsizetype>(length), '\0');
        std::memcpy(m_shadow.data(), m_records, static_cast<size_t>(present));
        for (const journal::Region &r : contents.regions) {
            const std::int64_t from = std::max<std::int64_t>(r.offset, recordsStart);
            const std::int64_t to = std::min<std::int64_t>(r.offset + r.bytes.size(), recordsStart + length);
            if (from < to)
                std::memcpy(m_shadow.data() + (from - recordsStart), r.bytes.constData() + (from - r.offset),
                            static_cast<size_t>(to - from));
        }
        m_records = m_shadow.constData();
    }
    m_pending = true;
    return false;
}

Status Table::settlePending()
{
    if (!m_pending)
        return Status::success();
    if (!rollBack())
        return ioFailure(path, errno);
    m_pending = false;
    m_shadow = QByteArray();
    m_records = static_cast<const char *>(m_map) + recordsStart;
    return Status::success();
}

// Overwrites bytes of the file under the journal; see the top of this file.
// The original bytes are borrowed: they must stay as they are until the
// journal is written. On failure the file is rolled back at once when it can
// be, else as soon as the next change or open comes.
Status Table::change(const std::vector<journal::Piece> &originals, std::int64_t originalSize,
                     const std::function<bool()> &writes)
{
    if (Status pending = settlePending(); !pending)
        return pending;
    if (++m_salt == 0)
        m_salt = 1;
    if (!openJournal() || !journal::Write(m_journal.get(), id, m_salt, originalSize, originals))
        // Nothing in the file was touched; a journal cut short is incomplete.
        return ioFailure(journal::PathFor(path), errno);
    if (writes() && io::SyncData(fd.get()) && journal::Invalidate(m_journal.get()))
        return Status::success();
    const int error = errno;
    rollBack();
    return ioFailure(path, error);
}

std::vector<std::unique_ptr<Table>> tables;
Table *selected = nullptr;
FatalHandler fatalHandler = nullptr;

Table *findTable(const Text &tableName)
{
    for (const auto &t : tables) {
        if (sameName(t->name, tableName))
            return t.get();
    }
    return nullptr;
}

// --- reading and checking a file at open -----------------------------------------------

// Checks the header and descriptors and fills `table` from them. Nothing is
// allocated before the sizes it depends on are known to lie inside the file.
Status readLayout(Table &table, std::int64_t fileSize)
{
    const int fd = table.fd.get();
    if (fileSize < kDescriptorsOffset)
        return notThisLayout(QStringLiteral("文件太短，放不下文件头"));
    char header[kDescriptorsOffset];
    if (!readAt(fd, header, kDescriptorsOffset, 0))
        return ioFailure(table.path, errno);
    if (std::memcmp(header, kMagic, sizeof kMagic) != 0)
        return notThisLayout(QStringLiteral("不是记录文件（开头不是 WEDB）"));
    const std::int32_t version = getI32(header + kVersionOffset);
    const std::int32_t count = getI32(header + kCountOffset);
    const std::int32_t nextTag = getI32(header + kNextTagOffset);
    const std::int32_t recordLength = getI32(header + kRecordLengthOffset);
    const std::int32_t fieldCount = getI32(header + kFieldCountOffset);
    if (version > kVersion)
        return notThisLayout(QStringLiteral("格式版本 %1 比本程序新").arg(version, 0, 16));
    if (count < 0)
        return notThisLayout(QStringLiteral("记录数为负"));
    if (nextTag <= 0)
        return notThisLayout(QStringLiteral("下一记录标记不是正数"));
    if (recordLength <= 0)
        return notThisLayout(QStringLiteral("记录长度不是正数"));
    if (fieldCount <= 0)
        return notThisLayout(QStringLiteral("字段数不是正数"));
    const std::int64_t recordsStart = RecordsStart(fieldCount);
    if (recordsStart > fileSize)
        return notThisLayout(QStringLiteral("字段描述超出文件末尾"));

    QByteArray head(static_cast<qsizetype>(recordsStart), Qt::Uninitialized);
    if (!readAt(fd, head.data(), recordsStart, 0))
        return ioFailure(table.path, errno);

    std::vector<Field> fields;
    fields.reserve(static_cast<size_t>(fieldCount));
    std::int64_t expectedOffset = kTagSize;
    for (std::int32_t i = 0; i < fieldCount; ++i) {
        const char *d = head.constData() + kDescriptorsOffset + i * kDescriptorSize;
        const char *zero = static_cast<const char *>(std::memchr(d + kNameOffset, 0, kMaxNameLength + 1));
        if (!zero)
            return notThisLayout(QStringLiteral("第 %1 个字段的名字超过 16 字节").arg(i + 1));
        Field f;
        f.name = Text(d + kNameOffset, zero - (d + kNameOffset));
        f.type = getI32(d + kTypeOffset);
        f.offset = getI32(d + kFieldOffsetOffset);
        f.width = getI32(d + kWidthOffset);
        if (f.type < kMinTypeCode || f.type > kMaxTypeCode)
            return notThisLayout(QStringLiteral("第 %1 个字段的类型代码 %2 无效").arg(i + 1).arg(f.type));
        if (f.type == std::int32_t(FieldType::Text) && (f.width <= 0 || f.width > kMaxTextWidth))
            return notThisLayout(QStringLiteral("第 %1 个字段的文本宽度 %2 无效").arg(i + 1).arg(f.width));
        f.size = FieldSize(f.type, f.width);
        if (f.offset < 0 || std::int64_t(f.offset) + f.size > recordLength)
            return notThisLayout(QStringLiteral("第 %1 个字段超出记录长度").arg(i + 1));
        if (f.offset != expectedOffset)
            return notThisLayout(QStringLiteral("第 %1 个字段的位置与前面的字段不相接").arg(i + 1));
        for (const Field &before : fields) {
            if (sameName(before.name, f.name))
                return notThisLayout(QStringLiteral("字段名重复：%1")
                                         .arg(fromCp936(f.name)));
        }
        expectedOffset += f.size;
        fields.push_back(std::move(f));
    }
    if (expectedOffset != recordLength)
        return notThisLayout(QStringLiteral("记录长度 %1 与字段不符（应为 %2）")
                                 .arg(recordLength)
                                 .arg(expectedOffset));

    table.fields = std::move(fields);
    table.recordLength = recordLength;
    table.recordsStart = recordsStart;
    table.head = std::move(head);
    return Status::success();
}

// Lowers a record count that covers more than the whole records present,
// cuts off whatever follows the last counted record, and maps the file.
Status repairAndLoad(Table &table, std::int64_t fileSize)
{
    const std::int64_t whole = (fileSize - table.recordsStart) / table.recordLength;
    const std::int32_t count = table.count();
    if (count > whole) {
        char lowered[4];
        putI32(lowered, static_cast<std::int32_t>(whole));
        const Status s = table.change({{kCountOffset, table.head.constData() + kCountOffset, 4}}, fileSize,
                                      [&]() { return io::WriteAt(table.fd.get(), lowered, 4, kCountOffset); });
        // A file opened without a repair has no journal beside it until its
        // first change; this one should not keep one either.
        table.closeJournal();
        if (!s)
            return s;
        putI32(table.head.data() + kCountOffset, static_cast<std::int32_t>(whole));
    }
    const std::int64_t end = table.size();
    // Bytes past the last counted record belong to no record: an append cut
    // short, or anything else; dropping them needs no journal.
    if (fileSize > end && !(io::Truncate(table.fd.get(), end) && io::SyncData(table.fd.get())))
        return ioFailure(table.path, errno);
    if (!table.mapAtLeast(end))
        return ioFailure(table.path, errno);
    return Status::success();
}

// --- values ----------------------------------------------------------------------------

Value emptyValue(std::int32_t type)
{
    Value v;
    v.type = static_cast<FieldType>(type);
    return v;
}

Value decode(const Field &f, const char *rec)
{
    Value v = emptyValue(f.type);
    const char *p = rec + f.offset;
    switch (static_cast<FieldType>(f.type)) {
    case FieldType::Integer:
        v.integer = getI32(p);
        break;
    case FieldType::Logical:
        v.logical = *p != 0;
        break;
    case FieldType::DateTime: {
        const double d = getDouble(p);
        // A NaN has no place in the range; day 0 stands in for it.
        v.dateTime = std::isnan(d) ? 0.0 : std::clamp(d, kFirstDay, kLastDay);
        break;
    }
    case FieldType::Text: {
        const char *zero = static_cast<const char *>(std::memchr(p, 0, static_cast<size_t>(f.width)));
        v.text = Text(p, zero ? zero - p : f.width);
        break;
    }
    case FieldType::None:
        break;
    }
    return v;
}

void encode(const Field &f, const Value &v, char *rec)
{
    char *p = rec + f.offset;
    switch (static_cast<FieldType>(f.type)) {
    case FieldType::Integer:
        putI32(p, v.integer);
        break;
    case FieldType::Logical:
        *p = v.logical ? 1 : 0;
        break;
    case FieldType::DateTime:
        putDouble(p, v.dateTime);
        break;
    case FieldType::Text: {
        // The text and its zero byte, as far as the width goes; the bytes after
        // the zero keep what they held.
        const qsizetype n = std::min<qsizetype>(f.width, v.text.size());
        std::memcpy(p, v.text.constData(), static_cast<size_t>(n));
        if (n < f.width)
            p[n] = 0;
        break;
    }
    case FieldType::None:
        break;
    }
}

Status checkValues(const Table &t, const Values &values)
{
    if (values.size() > t.fields.size())
        return badValue(QStringLiteral("给出 %1 个值，表只有 %2 个字段").arg(values.size()).arg(t.fields.size()));
    for (size_t i = 0; i < values.size(); ++i) {
        if (values[i] && std::int32_t(values[i]->type) != t.fields[i].type)
            return badValue(QStringLiteral("第 %1 个值的类型与字段不符").arg(i + 1));
        if (values[i] && t.fields[i].size == 0)
            return badValue(QStringLiteral("第 %1 个字段的类型不能写入").arg(i + 1));
    }
    return Status::success();
}

void encodeValues(const Table &t, const Values &values, char *rec)
{
    for (size_t i = 0; i < values.size(); ++i) {
        if (values[i])
            encode(t.fields[i], *values[i], rec);
    }
}

// --- creating ----------------------------------------------------------------------------

QString fileNameFor(const Text &name)
{
    QString path = fromCp936(name);
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".edb");
    return QDir::current().absoluteFilePath(path);
}

Status buildFile(const std::vector<FieldDescriptor> &descriptors, QByteArray &out)
{
    if (descriptors.empty())
        return badValue(QStringLiteral("没有字段"));
    std::int64_t recordLength = kTagSize;
    QByteArray bytes(static_cast<qsizetype>(RecordsStart(std::int64_t(descriptors.size()))), 0);
    char *data = bytes.data();
    for (size_t i = 0; i < descriptors.size(); ++i) {
        const FieldDescriptor &d = descriptors[i];
        const auto type = static_cast<FieldType>(d.type);
        if (d.name.isEmpty() || d.name.size() > kMaxNameLength || d.name.contains('\0'))
            return badValue(QStringLiteral("第 %1 个字段的名字须为 1 到 16 字节").arg(i + 1));
        for (size_t j = 0; j < i; ++j) {
            if (sameName(descriptors[j].name, d.name))
                return badValue(QStringLiteral("字段名重复：%1").arg(fromCp936(d.name)));
        }
        if (type != FieldType::Integer && type != FieldType::Logical && type != FieldType::DateTime
            && type != FieldType::Text)
            return badValue(QStringLiteral("第 %1 个字段的类型代码 %2 无效").arg(i + 1).arg(d.type));
        if (type == FieldType::Text && (d.width < 1 || d.width > kMaxTextWidth))
            return badValue(QStringLiteral("第 %1 个字段的文本宽度须为 1 到 1024").arg(i + 1));
        const std::int32_t width = type == FieldType::Text ? d.width : 0;
        char *desc = data + kDescriptorsOffset + std::int64_t(i) * kDescriptorSize;
        std::memcpy(desc + kNameOffset, d.name.constData(), static_cast<size_t>(d.name.size()));
        putI32(desc + kTypeOffset, d.type);
        putI32(desc + kFieldOffsetOffset, static_cast<std::int32_t>(recordLength));
        putI32(desc + kWidthOffset, width);
        recordLength += FieldSize(d.type, width);
        if (recordLength > INT32_MAX)
            return badValue(QStringLiteral("记录太长"));
    }
    std::memcpy(data, kMagic, sizeof kMagic);
    putI32(data + kVersionOffset, kVersion);
    putDouble(data + kCreatedOffset, creationTime());
    putI32(data + kCountOffset, 0);
    putI32(data + kNextTagOffset, 1);
    putI32(data + kRecordLengthOffset, static_cast<std::int32_t>(recordLength));
    putI32(data + kFieldCountOffset, static_cast<std::int32_t>(descriptors.size()));
    out = std::move(bytes);
    return Status::success();
}

} // namespace

// --- values -------------------------------------------------------------------------------

Value Value::ofInteger(std::int32_t v)
{
    Value r;
    r.type = FieldType::Integer;
    r.integer = v;
    return r;
}

Value Value::ofLogical(bool v)
{
    Value r;
    r.type = FieldType::Logical;
    r.logical = v;
    return r;
}

Value Value::ofDateTime(double v)
{
    Value r;
    r.type = FieldType::DateTime;
    r.dateTime = v;
    return r;
}

Value Value::ofText(const Text &v)
{
    Value r;
    r.type = FieldType::Text;
    r.text = v;
    return r;
}

// --- fatal errors -------------------------------------------------------------------------

void SetFatalHandler(FatalHandler handler)
{
    fatalHandler = handler;
}

void RaiseFatal(std::int32_t number, const Text &message)
{
    if (fatalHandler)
        fatalHandler(number, message);
    const QByteArray text = fromCp936(message).toLocal8Bit();
    std::fprintf(stderr, "fatal run-time error %d: %s\n", number, text.constData());
    std::abort();
}

// --- files and tables ----------------------------------------------------------------------

Status CreateRecordFileAt(const QString &path, const std::vector<FieldDescriptor> &fields,
                          bool replace)
{
    QByteArray bytes;
    if (Status built = buildFile(fields, bytes); !built)
        return built;

    const QString target = QFileInfo(path).absoluteFilePath();
    const QString directory = QFileInfo(target).absolutePath();
    Fd dirFd(::open(QFile::encodeName(directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.get() < 0)
        return ioFailure(directory, errno);

    // Replacing a file that another process holds open would pull it from
    // under that process; its lock is held until the new file is in place.
    Fd old;
    if (replace) {
        old.reset(::open(QFile::encodeName(target).constData(), O_RDWR | O_CLOEXEC));
        if (old.get() >= 0 && ::flock(old.get(), LOCK_EX | LOCK_NB) != 0) {
            return Status::failure(Status::Code::Locked,
                                   QStringLiteral("%1：文件正被另一个程序使用")
                                       .arg(QDir::toNativeSeparators(target)));
        }
    }

    // The new file is written whole under a temporary name and then put in
    // place in one step, so a crash never leaves half a header.
    const QString temporary = target + QStringLiteral(".%1.new").arg(::getpid());
    Fd fd(io::Create(temporary, O_WRONLY | O_TRUNC, 0666));
    if (fd.get() < 0)
        return ioFailure(target, errno);
    bool ok = io::WriteAt(fd.get(), bytes.constData(), bytes.size(), 0) && io::SyncFile(fd.get());
    if (ok)
        ok = replace ? io::Rename(temporary, target) : io::Link(temporary, target);
    int error = errno;
    // A rename leaves nothing behind; a link leaves the temporary name to drop.
    if (!ok || !replace)
        io::Remove(temporary);
    if (ok && !io::SyncFile(dirFd.get())) {
        ok = false;
        error = errno;
    }
    if (!ok)
        return ioFailure(target, error);
    return Status::success();
}

Status CreateRecordFile(const Text &name, const std::vector<FieldDescriptor> &fields)
{
    return CreateRecordFileAt(fileNameFor(name), fields, true);
}

Status OpenTable(const QString &path, const Text &tableName)
{
    auto table = std::make_unique<Table>();
    table->name = tableName;
    table->path = QFileInfo(path).absoluteFilePath();
    table->fd.reset(::open(QFile::encodeName(table->path).constData(), O_RDWR | O_CLOEXEC));
    if (table->fd.get() < 0)
        return ioFailure(table->path, errno);
    struct stat st {};
    if (::fstat(table->fd.get(), &st) != 0)
        return ioFailure(table->path, errno);
    if (!S_ISREG(st.st_mode))
        return notThisLayout(QStringLiteral("%1 不是普通文件").arg(QDir::toNativeSeparators(table->path)));
    table->id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};

    // Our own lock would refuse this file if it is already open here: a
    // table opened again under its own name is reopened, under another name refused.
    Table *again = nullptr;
    for (const auto &t : tables) {
        if (t->id.device == table->id.device && t->id.inode == table->id.inode) {
            if (!sameName(t->name, tableName))
                return Status::failure(Status::Code::Locked,
                                       QStringLiteral("%1 已作为另一个表打开")
                                           .arg(QDir::toNativeSeparators(table->path)));
            again = t.get();
        }
    }
    if (again)
        CloseTable(again->name);

    if (::flock(table->fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            return Status::failure(Status::Code::Locked,
                                   QStringLiteral("%1 已被另一个程序打开")
                                       .arg(QDir::toNativeSeparators(table->path)));
        return ioFailure(table->path, errno);
    }
    const QString directory = QFileInfo(table->path).absolutePath();
    table->dirFd.reset(::open(QFile::encodeName(directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (table->dirFd.get() < 0)
        return ioFailure(directory, errno);
    // Every change needs its journal beside the file; better to know now.
    if (::access(QFile::encodeName(directory).constData(), W_OK | X_OK) != 0)
        return ioFailure(directory, errno);

    if (Status recovered = journal::Recover(table->path, table->fd.get(), table->dirFd.get(), table->id);
        !recovered)
        return recovered;
    if (::fstat(table->fd.get(), &st) != 0)
        return ioFailure(table->path, errno);
    if (Status layoutOk = readLayout(*table, st.st_size); !layoutOk)
        return layoutOk;
    if (Status loaded = repairAndLoad(*table, st.st_size); !loaded)
        return loaded;

    table->current = 0;
    CloseTable(tableName);   // a name stands for one file: the newer one
    selected = table.get();
    tables.push_back(std::move(table));
    return Status::success();
}

bool SelectTable(const Text &tableName)
{
    Table *t = findTable(tableName);
    if (!t)
        return false;
    selected = t;
    return true;
}

void CloseTable(const Text &tableName)
{
    const auto it = std::find_if(tables.begin(), tables.end(),
                                 [&](const auto &t) { return sameName(t->name, tableName); });
    if (it == tables.end())
        return;
    if (selected == it->get())
        selected = nullptr;
    tables.erase(it);
}

void CloseAllTables()
{
    selected = nullptr;
    tables.clear();
}

// --- positioning ------------------------------------------------------------------------------

std::vector<FieldDescriptor> TableFields()
{
    std::vector<FieldDescriptor> out;
    if (selected) {
        for (const Field &f : selected->fields)
            out.push_back({f.name, f.type, f.width});
    }
    return out;
}

std::int32_t RecordCount()
{
    return selected ? selected->count() : 0;
}

std::int32_t CurrentRecordNumber()
{
    return selected ? selected->current : 0;
}

void GoToFirst()
{
    if (selected)
        selected->current = 1;
}

void Skip()
{
    if (selected && selected->current <= selected->count())
        ++selected->current;
}

void GoTo(std::int32_t k)
{
    if (selected)
        selected->current = std::max(1, std::min(k, selected->count()));
}

// --- changes -------------------------------------------------------------------------------------

Status AddRecord(const Values &values)
{
    Table *t = selected;
    if (!t)
        return noTable();
    if (Status s = checkValues(*t, values); !s)
        return s;
    if (t->count() == INT32_MAX || t->nextTag() == INT32_MAX)
        return badValue(QStringLiteral("表已满"));
    if (Status pending = t->settlePending(); !pending)
        return pending;

    const std::int64_t oldSize = t->size();
    // Mapped first, so that nothing is left to undo when it cannot be.
    if (!t->mapAtLeast(oldSize + t->recordLength))
        return ioFailure(t->path, errno);
    QByteArray rec(t->recordLength, 0);
    putI32(rec.data(), t->nextTag());
    encodeValues(*t, values, rec.data());
    if (!io::WriteAt(t->fd.get(), rec.constData(), rec.size(), oldSize) || !io::SyncData(t->fd.get())) {
        const int error = errno;
        io::Truncate(t->fd.get(), oldSize);
        return ioFailure(t->path, error);
    }
    char header[8];
    putI32(header, t->count() + 1);
    putI32(header + 4, t->nextTag() + 1);
    const Status s = t->change({{kCountOffset, t->head.constData() + kCountOffset, 8}}, oldSize,
                               [&]() { return io::WriteAt(t->fd.get(), header, 8, kCountOffset); });
    if (!s)
        return s;
    std::memcpy(t->head.data() + kCountOffset, header, 8);
    t->current = t->count();
    return s;
}

Status ModifyRecord(const Values &values)
{
    Table *t = selected;
    if (!t)
        return noTable();
    if (Status s = checkValues(*t, values); !s)
        return s;
    if (t->current < 1 || t->current > t->count())
        return Status::success();
    if (Status pending = t->settlePending(); !pending)
        return pending;
    const char *old = t->record(t->current);
    QByteArray rec(old, t->recordLength);
    encodeValues(*t, values, rec.data());
    const std::int64_t offset = t->recordOffset(t->current);
    return t->change({{offset, old, t->recordLength}}, t->size(), [&]() {
        return io::WriteAt(t->fd.get(), rec.constData(), rec.size(), offset);
    });
}

Status DeleteRecord()
{
    Table *t = selected;
    if (!t)
        return noTable();
    if (t->current < 1 || t->current > t->count())
        return Status::success();
    if (Status pending = t->settlePending(); !pending)
        return pending;
    const std::int32_t tag = getI32(t->record(t->current));
    if (tag <= 0)
        return Status::success();
    char marked[4];
    putI32(marked, -tag);
    const std::int64_t offset = t->recordOffset(t->current);
    return t->change({{offset, t->record(t->current), 4}}, t->size(),
                     [&]() { return io::WriteAt(t->fd.get(), marked, 4, offset); });
}

Status PurgeDeleted()
{
    Table *t = selected;
    if (!t)
        return noTable();
    if (Status pending = t->settlePending(); !pending)
        return pending;
    const std::int32_t n = t->count();
    std::int32_t first = 1;
    while (first <= n && getI32(t->record(first)) > 0)
        ++first;
    if (first > n) {
        t->current = 1;
        return Status::success();
    }
    // The live records after the first marked one, in runs, moved down to it.
    std::vector<char> &moved = t->scratch;
    moved.clear();
    for (std::int32_t k = first; k <= n;) {
        if (getI32(t->record(k)) <= 0) {
            ++k;
            continue;
        }
        std::int32_t end = k + 1;
        while (end <= n && getI32(t->record(end)) > 0)
            ++end;
        moved.insert(moved.end(), t->record(k), t->record(end));
        k = end;
    }
    const std::int32_t remaining = first - 1 + static_cast<std::int32_t>(moved.size() / size_t(t->recordLength));
    const std::int64_t from = t->recordOffset(first);
    char newCount[4];
    putI32(newCount, remaining);
    // Only the bytes the moved records land on are journalled; the records
    // past the new count are cut off once the change is complete.
    std::vector<journal::Piece> originals{{kCountOffset, t->head.constData() + kCountOffset, 4}};
    if (!moved.empty())
        originals.push_back({from, t->record(first), std::int64_t(moved.size())});
    const Status s = t->change(originals, t->size(), [&]() {
        return (moved.empty() || io::WriteAt(t->fd.get(), moved.data(), std::int64_t(moved.size()), from))
            && io::WriteAt(t->fd.get(), newCount, 4, kCountOffset);
    });
    if (!s)
        return s;
    std::memcpy(t->head.data() + kCountOffset, newCount, 4);
    t->current = 1;
    // They belong to no record now; a cut that fails leaves them to the next open.
    io::Truncate(t->fd.get(), t->size());
    return s;
}

// --- reading ---------------------------------------------------------------------------------------

Value ReadField(const Text &fieldName)
{
    const Table *t = selected;
    if (!t)
        RaiseFatal(0, noTableOpen());
    const Field *f = t->field(fieldName);
    if (!f)
        RaiseFatal(0, noSuchField());
    if (t->current < 1 || t->current > t->count())
        return emptyValue(f->type);
    return decode(*f, t->record(t->current));
}

bool FindRecord(const std::function<bool()> &condition)
{
    Table *t = selected;
    if (!t)
        return false;
    const std::int32_t saved = t->current;
    for (std::int32_t k = std::max(1, saved); k <= t->count(); ++k) {
        t->current = k;
        if (condition())
            return true;
    }
    t->current = saved;
    return false;
}

} // namespace store
