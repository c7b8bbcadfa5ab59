// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

#include "store/journal.h"

#include "store/fileio.h"
#include "store/layout.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace store::journal {

namespace {

using namespace store::layout;

template <typename T>
T get(const char *p)
{
    return qFromLittleEndian<T>(p);
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool readAll(int fd, QByteArray &out)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    out.resize(static_cast<qsizetype>(st.st_size));
    std::int64_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::pread(fd, out.data() + done, static_cast<size_t>(out.size() - done),
                                  static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        done += n;
    }
    out.truncate(static_cast<qsizetype>(done));
    return true;
}

constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
constexpr std::uint64_t kPrime3 = 0x165667B19E3779F9ull;
constexpr std::uint64_t kPrime4 = 0x85EBCA77C2B2AE63ull;

constexpr std::uint64_t rotl(std::uint64_t x, int r)
{
    return (x << r) | (x >> (64 - r));
}

constexpr std::uint64_t mix(std::uint64_t lane, std::uint64_t w)
{
    return rotl(lane + w * kPrime2, 31) * kPrime1;
}

std::uint64_t word(const char *p)
{
    return qFromLittleEndian<quint64>(p);
}

} // namespace

// --- checksum ------------------------------------------------------------------------

// Four lanes take 32 bytes a step, so the multiplications of one step do not
// wait for each other; a byte-at-a-time hash made checksumming the bulk of a
// purge's cost.
Hasher::Hasher()
    : m_lanes{kPrime1 + kPrime2, kPrime2, 0, 0ull - kPrime1}
{
}

void Hasher::stripe(const char *p)
{
    for (int i = 0; i < 4; ++i)
        m_lanes[i] = mix(m_lanes[i], word(p + 8 * i));
}

void Hasher::add(const char *data, std::int64_t size)
{
    m_total += static_cast<std::uint64_t>(size);
    if (m_buffered > 0) {
        const std::int64_t take = std::min<std::int64_t>(size, 32 - m_buffered);
        std::memcpy(m_buffer + m_buffered, data, static_cast<size_t>(take));
        m_buffered += take;
        data += take;
        size -= take;
        if (m_buffered < 32)
            return;
        stripe(m_buffer);
        m_buffered = 0;
    }
    for (; size >= 32; data += 32, size -= 32)
        stripe(data);
    if (size > 0) {
        std::memcpy(m_buffer, data, static_cast<size_t>(size));
        m_buffered = size;
    }
}

std::uint64_t Hasher::finish() const
{
    std::uint64_t h = rotl(m_lanes[0], 1) + rotl(m_lanes[1], 7) + rotl(m_lanes[2], 12) + rotl(m_lanes[3], 18);
    for (const std::uint64_t lane : m_lanes)
        h = (h ^ mix(0, lane)) * kPrime1 + kPrime4;
    h += m_total;
    const char *p = m_buffer;
    std::int64_t left = m_buffered;
    for (; left >= 8; p += 8, left -= 8)
        h = rotl(h ^ mix(0, word(p)), 27) * kPrime1 + kPrime4;
    for (; left > 0; ++p, --left)
        h = rotl(h ^ (static_cast<unsigned char>(*p) * kPrime3), 11) * kPrime1;
    h ^= h >> 33;
    h *= kPrime2;
    h ^= h >> 29;
    h *= kPrime3;
    h ^= h >> 32;
    return h;
}

std::uint64_t Checksum(const char *data, std::int64_t size)
{
    Hasher hasher;
    hasher.add(data, size);
    return hasher.finish();
}

// --- writing ---------------------------------------------------------------------------

QString PathFor(const QString &filePath)
{
    return filePath + QStringLiteral("-journal");
}

bool Write(int fd, FileId id, std::uint32_t salt, std::int64_t originalSize,
           const std::vector<Piece> &originals)
{
    char header[kJournalHeaderSize];
    std::memcpy(header, kJournalMagic, sizeof kJournalMagic);
    qToLittleEndian<quint64>(id.device, header + kJournalDeviceOffset);
    qToLittleEndian<quint64>(id.inode, header + kJournalInodeOffset);
    qToLittleEndian<qint64>(originalSize, header + kJournalSizeOffset);
    qToLittleEndian<quint32>(static_cast<quint32>(originals.size()), header + kJournalRegionCountOffset);
    qToLittleEndian<quint32>(salt, header + kJournalSaltOffset);

    // The original bytes go to the journal straight from where the caller
    // holds them; only the small heads are made here.
    std::vector<char> regionHeads(originals.size() * kJournalRegionHeaderSize);
    std::vector<struct iovec> pieces;
    pieces.reserve(2 * originals.size() + 2);
    Hasher hasher;
    const auto add = [&](const char *data, std::int64_t size) {
        hasher.add(data, size);
        pieces.push_back({const_cast<char *>(data), static_cast<size_t>(size)});
    };
    add(header, kJournalHeaderSize);
    for (size_t i = 0; i < originals.size(); ++i) {
        char *head = regionHeads.data() + i * kJournalRegionHeaderSize;
        qToLittleEndian<qint64>(originals[i].offset, head);
        qToLittleEndian<quint32>(static_cast<quint32>(originals[i].size), head + 8);
        add(head, kJournalRegionHeaderSize);
        add(originals[i].data, originals[i].size);
    }
    char checksum[kJournalChecksumSize];
    qToLittleEndian<quint64>(hasher.finish(), checksum);
    pieces.push_back({checksum, sizeof checksum});
    return io::WriteVecAt(fd, pieces.data(), static_cast<int>(pieces.size()), 0) && io::SyncData(fd);
}

// The whole head is zeroed, salt included: a later journal cut short after
// its first bytes can then never be completed by what this one left.
bool Invalidate(int fd)
{
    static constexpr char zero[kJournalHeaderSize] = {};
    return io::WriteAt(fd, zero, sizeof zero, 0) && io::SyncData(fd);
}

// --- reading -----------------------------------------------------------------------------

bool Read(int fd, FileId id, std::int64_t fileSize, bool &complete, bool &damaged, Contents &out)
{
    complete = false;
    damaged = false;
    QByteArray bytes;
    if (!readAll(fd, bytes))
        return false;

    // A journal is only complete once its checksum is in place after its
    // regions; the file is never touched before that, so anything short of
    // it (or zeroed since) is no journal at all.
    const char *data = bytes.constData();
    const std::int64_t size = bytes.size();
    if (size < kJournalHeaderSize + kJournalChecksumSize
        || std::memcmp(data, kJournalMagic, sizeof kJournalMagic) != 0)
        return true;
    const std::uint32_t count = get<quint32>(data + kJournalRegionCountOffset);
    std::vector<Region> regions;
    std::int64_t at = kJournalHeaderSize;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (size - at < kJournalRegionHeaderSize)
            return true;
        const std::int64_t offset = get<qint64>(data + at);
        const std::int64_t length = get<quint32>(data + at + 8);
        at += kJournalRegionHeaderSize;
        if (length > size - at)
            return true;
        regions.push_back({offset, QByteArray(data + at, static_cast<qsizetype>(length))});
        at += length;
    }
    if (size - at < kJournalChecksumSize || get<quint64>(data + at) != Checksum(data, at))
        return true;
    if (get<quint64>(data + kJournalDeviceOffset) != id.device
        || get<quint64>(data + kJournalInodeOffset) != id.inode)
        return true;
    complete = true;

    const std::int64_t originalSize = get<qint64>(data + kJournalSizeOffset);
    if (originalSize < 0) {
        damaged = true;
        return true;
    }
    // A journal can only give back bytes it holds: the file it restores is
    // never longer than the file now or the end of its last region.
    std::int64_t reach = fileSize;
    for (const Region &r : regions) {
        if (r.offset < 0 || r.offset > originalSize || r.bytes.size() > originalSize - r.offset) {
            damaged = true;
            return true;
        }
        reach = std::max<std::int64_t>(reach, r.offset + r.bytes.size());
    }
    if (originalSize > reach) {
        damaged = true;
        return true;
    }
    out.originalSize = originalSize;
    out.regions = std::move(regions);
    return true;
}

bool Apply(int fd, const Contents &contents)
{
    for (const Region &r : contents.regions) {
        if (!io::WriteAt(fd, r.bytes.constData(), r.bytes.size(), r.offset))
            return false;
    }
    return io::Truncate(fd, contents.originalSize) && io::SyncData(fd);
}

Status Recover(const QString &filePath, int fd, int dirFd, FileId id)
{
    const QString path = PathFor(filePath);
    const auto failure = [](const QString &where, int error) {
        return Status::failure(Status::Code::Io, QStringLiteral("%1：%2").arg(where, systemReason(error)));
    };
    const int jfd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (jfd < 0) {
        if (errno == ENOENT)
            return Status::success();
        return failure(path, errno);
    }
    struct stat st {};
    bool complete = false;
    bool damaged = false;
    Contents contents;
    const bool read = ::fstat(fd, &st) == 0 && Read(jfd, id, st.st_size, complete, damaged, contents);
    const int readError = errno;
    ::close(jfd);
    if (!read)
        return failure(path, readError);
    if (damaged)
        return Status::failure(Status::Code::NotThisLayout,
                               QStringLiteral("回滚日志 %1 已损坏，文件未作改动").arg(path));
    if (complete && !Apply(fd, contents))
        return failure(filePath, errno);
    if ((!io::Remove(path) && errno != ENOENT) || !io::SyncFile(dirFd))
        return failure(path, errno);
    return Status::success();
}

} // namespace store::journal
