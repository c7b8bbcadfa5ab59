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
#include <unistd.h>

namespace store::journal {

namespace {

using namespace store::layout;

template <typename T>
void put(QByteArray &out, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian<T>(value, bytes);
    out.append(bytes, sizeof(T));
}

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

} // namespace

QString PathFor(const QString &filePath)
{
    return filePath + QStringLiteral("-journal");
}

std::uint64_t Checksum(const char *data, std::int64_t size)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (std::int64_t i = 0; i < size; ++i) {
        hash ^= static_cast<unsigned char>(data[i]);
        hash *= 1099511628211ull;
    }
    return hash;
}

bool Write(const QString &journalPath, int dirFd, FileId id, std::int64_t originalSize,
           const std::vector<Region> &regions)
{
    QByteArray bytes(kJournalMagic, sizeof kJournalMagic);
    put<quint64>(bytes, id.device);
    put<quint64>(bytes, id.inode);
    put<qint64>(bytes, originalSize);
    put<quint32>(bytes, static_cast<quint32>(regions.size()));
    put<quint32>(bytes, 0);
    for (const Region &r : regions) {
        put<qint64>(bytes, r.offset);
        put<quint32>(bytes, static_cast<quint32>(r.bytes.size()));
        bytes.append(r.bytes);
    }
    put<quint64>(bytes, Checksum(bytes.constData(), bytes.size()));

    const int fd = io::Create(journalPath, O_WRONLY | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool ok = io::WriteAt(fd, bytes.constData(), bytes.size(), 0) && io::SyncFile(fd)
        && io::SyncFile(dirFd);
    const int error = errno;
    ::close(fd);
    errno = error;
    return ok;
}

bool Apply(int fd, std::int64_t originalSize, const std::vector<Region> &regions)
{
    for (const Region &r : regions) {
        if (!io::WriteAt(fd, r.bytes.constData(), r.bytes.size(), r.offset))
            return false;
    }
    return io::Truncate(fd, originalSize) && io::SyncData(fd);
}

bool Remove(const QString &journalPath, int dirFd)
{
    if (!io::Remove(journalPath) && errno != ENOENT)
        return false;
    return io::SyncFile(dirFd);
}

Status Recover(const QString &filePath, int fd, int dirFd, FileId id)
{
    const QString path = PathFor(filePath);
    const int jfd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (jfd < 0) {
        if (errno == ENOENT)
            return Status::success();
        const int error = errno;
        return Status::failure(Status::Code::Io,
                               QStringLiteral("%1：%2").arg(path, systemReason(error)));
    }
    QByteArray bytes;
    const bool read = readAll(jfd, bytes);
    const int readError = errno;
    ::close(jfd);
    if (!read)
        return Status::failure(Status::Code::Io,
                               QStringLiteral("%1：%2").arg(path, systemReason(readError)));

    const auto discard = [&]() {
        if (!Remove(path, dirFd))
            return Status::failure(Status::Code::Io,
                                   QStringLiteral("%1：%2").arg(path, systemReason(errno)));
        return Status::success();
    };

    // A journal is only complete once its checksum is in place; the file is
    // never touched before that, so an incomplete one is simply dropped.
    const std::int64_t size = bytes.size();
    if (size < kJournalHeaderSize + kJournalChecksumSize
        || std::memcmp(bytes.constData(), kJournalMagic, sizeof kJournalMagic) != 0)
        return discard();
    const char *data = bytes.constData();
    const std::int64_t body = size - kJournalChecksumSize;
    if (get<quint64>(data + body) != Checksum(data, body))
        return discard();
    if (get<quint64>(data + kJournalDeviceOffset) != id.device
        || get<quint64>(data + kJournalInodeOffset) != id.inode)
        return discard();

    const auto damaged = [&]() {
        return Status::failure(Status::Code::NotThisLayout,
                               QStringLiteral("回滚日志 %1 已损坏，文件未作改动").arg(path));
    };
    const std::int64_t originalSize = get<qint64>(data + kJournalSizeOffset);
    const std::uint32_t count = get<quint32>(data + kJournalRegionCountOffset);
    if (originalSize < 0)
        return damaged();
    std::vector<Region> regions;
    std::int64_t at = kJournalHeaderSize;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (body - at < kJournalRegionHeaderSize)
            return damaged();
        const std::int64_t offset = get<qint64>(data + at);
        const std::int64_t length = get<quint32>(data + at + 8);
        at += kJournalRegionHeaderSize;
        if (length > body - at || offset < 0 || offset > originalSize
            || length > originalSize - offset)
            return damaged();
        regions.push_back({offset, QByteArray(data + at, static_cast<qsizetype>(length))});
        at += length;
    }
    if (at != body)
        return damaged();
    // A journal can only give back bytes it holds: the file it restores is
    // never longer than the file now or the end of its last region.
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return Status::failure(Status::Code::Io,
                               QStringLiteral("%1：%2").arg(filePath, systemReason(errno)));
    std::int64_t reach = st.st_size;
    for (const Region &r : regions)
        reach = std::max<std::int64_t>(reach, r.offset + r.bytes.size());
    if (originalSize > reach)
        return damaged();

    if (!Apply(fd, originalSize, regions) || !Remove(path, dirFd))
        return Status::failure(Status::Code::Io,
                               QStringLiteral("%1：%2").arg(filePath, systemReason(errno)));
    return Status::success();
}

} // namespace store::journal
